// The patch-name document for sequencers: valid against the MIDNAM 1.0 DTD, every slot of every
// bank named with its program change, names escaped and turned into UTF-8, and the bank select
// of each bank the one the program itself sends.
#include "MidnamBanks.h"
#include "RecordingView.h"
#include "ScriptedDialogs.h"
#include "TempDir.h"
#include "TestApp.h"
#include "Workspace.h"

#include <QByteArray>
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QXmlStreamReader>
#include <gtest/gtest.h>
#include <string>
#include <vector>

using namespace velcora;
using namespace velcora::test;

namespace {

const std::string Dtd = std::string(VELCORA_FIXTURES_DIR) + "/midnam/MIDINameDocument10.dtd";

struct TReadPatch {
    QString Number;
    QString Name;
    QString ProgramChange;
};
struct TReadBank {
    QString Name;
    std::vector<std::pair<QString, QString>> Controls; ///< Control, Value
    std::vector<TReadPatch> Patches;
};
struct TReadDocument {
    QString Model;
    QString Manufacturer;
    std::vector<TReadBank> Banks;
    QString Error;
};

/// Reads back what a sequencer takes from the document.
TReadDocument ReadBack(const std::string& text) {
    TReadDocument doc;
    QXmlStreamReader xml(QByteArray::fromStdString(text));
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement) {
            continue;
        }
        const auto a = xml.attributes();
        if (xml.name() == u"Model") {
            doc.Model = xml.readElementText();
        } else if (xml.name() == u"Manufacturer") {
            doc.Manufacturer = xml.readElementText();
        } else if (xml.name() == u"PatchBank") {
            doc.Banks.push_back({a.value("Name").toString(), {}, {}});
        } else if (xml.name() == u"ControlChange" && !doc.Banks.empty()) {
            doc.Banks.back().Controls.emplace_back(a.value("Control").toString(),
                                                   a.value("Value").toString());
        } else if (xml.name() == u"Patch" && !doc.Banks.empty()) {
            doc.Banks.back().Patches.push_back({a.value("Number").toString(),
                                                a.value("Name").toString(),
                                                a.value("ProgramChange").toString()});
        }
    }
    if (xml.hasError()) {
        doc.Error = xml.errorString();
    }
    return doc;
}

/// xmllint's verdict on the document against the DTD: empty when valid.
std::string Validate(const TTempDir& dir, const std::string& text) {
    const std::string file = dir.File("check.midnam");
    WriteBytes(file, std::vector<uint8_t>(text.begin(), text.end()));
    QProcess lint;
    lint.start(QStandardPaths::findExecutable("xmllint"),
               {"--noout", "--nonet", "--dtdvalid", QString::fromStdString(Dtd),
                QString::fromStdString(file)});
    if (!lint.waitForFinished(30000)) {
        return "xmllint did not finish";
    }
    if (lint.exitStatus() == QProcess::NormalExit && lint.exitCode() == 0) {
        return {};
    }
    // The doctype's own address is never fetched (--nonet); only validity errors count.
    return lint.readAllStandardError().toStdString();
}

bool HaveXmllint() {
    return !QStandardPaths::findExecutable("xmllint").isEmpty();
}

std::vector<std::string> Names(const std::string& prefix) {
    std::vector<std::string> names;
    for (int n = 0; n < 128; ++n) {
        names.push_back(prefix + std::to_string(n) + "   ");
    }
    return names;
}

std::vector<TMidnamBank> FourUserBanks() {
    std::vector<TMidnamBank> banks;
    for (int b = 0; b < 4; ++b) {
        banks.push_back({"User Bank " + std::to_string(b), 0, static_cast<uint8_t>(b),
                         Names("Pad:Bank" + std::to_string(b) + "-")});
    }
    return banks;
}

class MidnamTest : public ::testing::Test {
protected:
    MidnamTest() { EnsureApp(); }
    TTempDir Dir;
};

} // namespace

// Documents a DAW must accept: the four user banks, and the four with a ROM bank whose names
// hold every kind of byte a preset name can carry.
TEST_F(MidnamTest, DocumentsAreValidMidnam) {
    if (!HaveXmllint()) {
        GTEST_SKIP() << "xmllint (libxml2-utils) is not installed";
    }
    std::vector<TMidnamBank> withRom = FourUserBanks();
    std::vector<std::string> odd = Names("R&B <\"x\"> 'y' ");
    odd[1] = std::string("Caf\xE9 \x80\x81\x9F\xFF", 10);
    odd[2] = std::string("ctl\x01\x09\x0A\x0D\x7F end", 13);
    odd[3] = std::string(16, ' ');
    odd[4] = std::string("nul\0inside", 10);
    withRom.push_back({"Composer <ROM> & Bank 2", 4, 2, odd});

    for (const auto& [what, banks] :
         {std::pair{"user banks", FourUserBanks()}, std::pair{"with a ROM bank", withRom}}) {
        SCOPED_TRACE(what);
        const std::string text = MidnamDocument("Proteus 2000", banks);
        EXPECT_EQ(Validate(Dir, text), "");
        EXPECT_EQ(ReadBack(text).Error, QString());
    }
}

// The DTD check is no formality: a document the DTD does not allow is refused.
TEST_F(MidnamTest, TheDtdRefusesADocumentItDoesNotAllow) {
    if (!HaveXmllint()) {
        GTEST_SKIP() << "xmllint (libxml2-utils) is not installed";
    }
    std::string text = MidnamDocument("Proteus 2000", FourUserBanks());
    const size_t at = text.find(" Name=\"Pad:Bank0-0\"");
    ASSERT_NE(at, std::string::npos);
    text.erase(at, std::string(" Name=\"Pad:Bank0-0\"").size());
    EXPECT_NE(Validate(Dir, text), "");
}

TEST_F(MidnamTest, EverySlotOfEveryBankIsNamedWithItsProgramChange) {
    const TReadDocument doc = ReadBack(MidnamDocument("Proteus 2000", FourUserBanks()));
    ASSERT_EQ(doc.Error, QString());
    EXPECT_EQ(doc.Manufacturer, "E-mu Systems");
    EXPECT_EQ(doc.Model, "Proteus 2000");
    ASSERT_EQ(doc.Banks.size(), 4u);
    for (int b = 0; b < 4; ++b) {
        SCOPED_TRACE(b);
        const TReadBank& bank = doc.Banks[static_cast<size_t>(b)];
        EXPECT_EQ(bank.Name, QString("User Bank %1").arg(b));
        EXPECT_EQ(bank.Controls, (std::vector<std::pair<QString, QString>>{
                                     {"0", "0"}, {"32", QString::number(b)}}));
        ASSERT_EQ(bank.Patches.size(), 128u);
        for (int n = 0; n < 128; ++n) {
            const TReadPatch& p = bank.Patches[static_cast<size_t>(n)];
            EXPECT_EQ(p.Number, QString("%1").arg(n, 3, 10, QChar('0')));
            EXPECT_EQ(p.Name, QString("Pad:Bank%1-%2").arg(b).arg(n)) << "trailing blanks cut";
            EXPECT_EQ(p.ProgramChange, QString::number(n));
        }
    }
}

// Names as the synth holds them, one Windows-1252 byte a character, come out as the same
// characters in UTF-8; what XML cannot hold becomes a blank; markup characters are escaped.
TEST_F(MidnamTest, NamesAreEscapedAndBecomeUtf8) {
    struct TCase {
        std::string Held;
        QString Shown;
    };
    const std::vector<TCase> cases = {
        {"R&B <Pad> \"1\" 'a'", QString::fromUtf8("R&B <Pad> \"1\" 'a'")},
        {std::string("Caf\xE9 \x80 \x8A\xFF", 10), QString::fromUtf8("Café € Šÿ")},
        {std::string("und\x81\x8D\x8F\x90\x9D", 8), QString::fromUtf8("und")},
        {std::string("a\x01\x0A\x0D\x7F"
                     "b  ",
                     8),
         QString::fromUtf8("a    b")},
        {std::string("nul\0x", 5), QString::fromUtf8("nul x")},
        {"                ", QString()},
    };
    std::vector<TMidnamBank> banks = FourUserBanks();
    for (size_t i = 0; i < cases.size(); ++i) {
        banks[0].Names[i] = cases[i].Held;
    }
    banks[0].Name = "A & <B>";
    const std::string text = MidnamDocument("Proteus <2000> & 'co'", banks);
    EXPECT_TRUE(QString::fromUtf8(text).toUtf8().toStdString() == text) << "valid UTF-8";
    EXPECT_NE(text.find("Name=\"R&amp;B &lt;Pad&gt; &quot;1&quot; &apos;a&apos;\""),
              std::string::npos);
    const TReadDocument doc = ReadBack(text);
    ASSERT_EQ(doc.Error, QString());
    EXPECT_EQ(doc.Model, "Proteus <2000> & 'co'");
    ASSERT_EQ(doc.Banks.size(), 4u);
    EXPECT_EQ(doc.Banks[0].Name, "A & <B>");
    for (size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(doc.Banks[0].Patches[i].Name, cases[i].Shown);
    }
}

// The window's document: the four user banks in order with their own bank selects; the ROM
// bank only while the ROM tab shows and a ROM is known (here none is).
TEST_F(MidnamTest, TheWorkspacesBanksAreTheFourUserBanks) {
    TScriptedDialogs dialogs;
    TRecordingView view;
    TWorkspace ws(dialogs, view, Dir.File("Velcora.INI"), Dir.Path(), Dir.Path());
    ASSERT_TRUE(ws.pcUserBankChange(TWorkspace::RomTab));
    const std::vector<TMidnamBank> banks = WorkspaceMidnamBanks(ws);
    ASSERT_EQ(banks.size(), 4u);
    for (int b = 0; b < 4; ++b) {
        SCOPED_TRACE(b);
        const TMidnamBank& bank = banks[static_cast<size_t>(b)];
        EXPECT_EQ(bank.Name, "User Bank " + std::to_string(b));
        EXPECT_EQ(bank.Msb, 0);
        EXPECT_EQ(bank.Lsb, b);
        ASSERT_EQ(bank.Names.size(), 128u);
        for (int n = 0; n < 128; ++n) {
            EXPECT_EQ(bank.Names[static_cast<size_t>(n)], ws.UserBank(b).Slot(n).Name());
        }
    }
}
