// Where the programs look for their settings file and their shipped data.
#include "ProgramPlaces.h"

#include "TempDir.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace velcora;
using namespace velcora::test;
namespace fs = std::filesystem;

namespace {

/// Takes away the write permission of a folder for the test's life.
class TReadOnly {
public:
    explicit TReadOnly(std::string path) : FPath(std::move(path)) {
        fs::permissions(FPath,
                        fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                        fs::perm_options::remove);
    }
    ~TReadOnly() { fs::permissions(FPath, fs::perms::owner_write, fs::perm_options::add); }
    TReadOnly(const TReadOnly&) = delete;
    TReadOnly& operator=(const TReadOnly&) = delete;

private:
    std::string FPath;
};

} // namespace

TEST(ProgramPlaces, SettingsBesideAWritableProgramFolder) {
    TTempDir dir;
    const std::string program = dir.File("portable");
    const std::string config = dir.File("config/velcora");
    fs::create_directories(program);

    EXPECT_EQ(SettingsFilePath(program, config), program + "/Velcora.INI");
    EXPECT_FALSE(fs::exists(config)) << "a portable copy leaves the user's folders alone";
}

TEST(ProgramPlaces, SettingsInTheConfigFolderWhenTheProgramFolderTakesNoFiles) {
    TTempDir dir;
    const std::string config = dir.File("home/.config/velcora");
    const std::string missing = dir.File("gone");
    struct Case {
        const char* What;
        std::string Program;
    } cases[] = {{"missing program folder", missing}, {"no program folder", ""}};
    for (const Case& c : cases) {
        EXPECT_EQ(SettingsFilePath(c.Program, config), config + "/Velcora.INI") << c.What;
        EXPECT_TRUE(fs::is_directory(config)) << c.What << ": the folder is made as needed";
        fs::remove_all(dir.File("home"));
    }
}

TEST(ProgramPlaces, SettingsInTheConfigFolderBesideAReadOnlyProgram) {
    TTempDir dir;
    const std::string bin = dir.File("usr/bin");
    const std::string config = dir.File("home/.config/velcora");
    fs::create_directories(bin);
    TReadOnly readOnly(bin);
    if (::access(bin.c_str(), W_OK) == 0) {
        GTEST_SKIP() << "this user writes into read-only folders (root)";
    }

    EXPECT_EQ(SettingsFilePath(bin, config), config + "/Velcora.INI");
    EXPECT_TRUE(fs::is_directory(config));
    EXPECT_FALSE(fs::exists(bin + "/Velcora.INI"));
}

TEST(ProgramPlaces, DataBesideTheProgramOrInTheInstalledDataFolder) {
    TTempDir dir;
    const std::string portable = dir.File("portable");
    const std::string bin = dir.File("usr/bin");
    fs::create_directories(portable);
    fs::create_directories(bin);
    WriteBytes(portable + "/Default Composer.syx", {0xF0, 0xF7});

    EXPECT_EQ(ProgramDataDir(portable), portable);
    EXPECT_EQ(ProgramDataDir(bin), dir.File("usr/share/velcora"));
    EXPECT_EQ(ProgramDataDir(bin + "/"), dir.File("usr/share/velcora"));
}
