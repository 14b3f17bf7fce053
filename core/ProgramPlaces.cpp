#include "ProgramPlaces.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace velcora {

namespace {

// One of the files every data folder holds.
constexpr const char* DataProbe = "Default Composer.syx";

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

} // namespace

std::string SettingsFilePath(const std::string& programDir, const std::string& configDir) {
    // Every write of the settings file makes a new file beside it and renames it over the
    // old one, so what counts is whether the folder takes new files, not the file itself.
    const QFileInfo beside(Q(programDir));
    if (!programDir.empty() && beside.isDir() && beside.isWritable()) {
        return QDir(Q(programDir)).filePath(SettingsFileName).toStdString();
    }
    // A folder that cannot be made is not reported here: the first write of a setting fails
    // with its own message.
    QDir().mkpath(Q(configDir));
    return QDir(Q(configDir)).filePath(SettingsFileName).toStdString();
}

std::string UserConfigDir() {
    QString root = QStandardPaths::writableLocation(QStandardPaths::ConfigLocation);
    if (root.isEmpty()) {
        root = QDir::homePath() + "/.config";
    }
    return (root + "/velcora").toStdString();
}

std::string ProgramDataDir(const std::string& programDir) {
    const QDir beside(Q(programDir));
    if (beside.exists(DataProbe)) {
        return beside.path().toStdString();
    }
    return QDir::cleanPath(beside.filePath(VELCORA_DATA_FROM_BIN)).toStdString();
}

TRunPlaces RunPlaces(const std::string& programDir, const std::string& settingsFile) {
    TRunPlaces places;
    places.IniPath =
        settingsFile.empty() ? SettingsFilePath(programDir, UserConfigDir()) : settingsFile;
    places.StartDir = ProgramDataDir(programDir);
    places.DocumentsDir =
        QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation).toStdString();
    if (places.DocumentsDir.empty()) {
        places.DocumentsDir = QDir::homePath().toStdString();
    }
    return places;
}

} // namespace velcora
