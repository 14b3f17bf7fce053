#pragma once

#include "BankListener.h"
#include "LibraryListener.h"
#include "SectionSettings.h"

#include <map>
#include <set>
#include <string>
#include <vector>

namespace velcora::test {

/// A settings section kept in memory, with the keys written in order.
class TMapSettings : public ISectionSettings {
public:
    std::string ReadString(const std::string& key, const std::string& defaultValue) override {
        auto it = Values.find(key);
        return it == Values.end() ? defaultValue : it->second;
    }
    bool WriteString(const std::string& key, const std::string& value) override {
        Values[key] = value;
        Written.push_back(key + "=" + value);
        return true;
    }
    std::map<std::string, std::string> Values;
    std::vector<std::string> Written;
};

/// Records which rows of a bank view were redrawn.
class TBankRecorder : public IBankListener {
public:
    void RowsChanged(int first, int last) override {
        for (int i = first; i <= last; ++i) {
            Rows.insert(i);
        }
    }
    void Repaint() override { ++Repaints; }
    std::set<int> Rows;
    int Repaints = 0;
};

/// Records the library's events as text, and checks that every About... has its done call.
class TLibraryRecorder : public ILibraryListener {
public:
    void RowsAboutToBeInserted(int first, int last) override {
        Events.push_back("insert " + std::to_string(first) + ".." + std::to_string(last));
        ++Open;
    }
    void RowsInserted() override { --Open; }
    void RowsAboutToBeRemoved(int first, int last) override {
        Events.push_back("remove " + std::to_string(first) + ".." + std::to_string(last));
        ++Open;
    }
    void RowsRemoved() override { --Open; }
    void RowsChanged(int first, int last) override {
        Events.push_back("change " + std::to_string(first) + ".." + std::to_string(last));
    }
    void AboutToReset() override {
        Events.push_back("reset");
        ++Open;
    }
    void ResetDone() override { --Open; }
    void Repaint() override { ++Repaints; }
    void CaptionChanged(const std::string& caption) override { Caption = caption; }

    std::vector<std::string> Events;
    int Open = 0;
    int Repaints = 0;
    std::string Caption;
};

} // namespace velcora::test
