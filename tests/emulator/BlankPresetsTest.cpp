#include "BlankPresets.h"

#include "SynthModel.h"
#include "TempDir.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace velcora::emu {
namespace {

// The shipped files are the generator's output: a change to the initial preset or to the dump
// framing shows here until the files are made again with
// velcora-virtual-synth --write-blank-presets assets.
TEST(BlankPresets, ShippedFilesAreTheGeneratorsOutput) {
    const auto files = BlankPresetFiles();
    ASSERT_EQ(files.size(), 3u);
    const size_t sizes[] = {1605, 1607, 1615};
    for (size_t i = 0; i < files.size(); ++i) {
        SCOPED_TRACE(files[i].Name);
        EXPECT_EQ(files[i].Bytes.size(), sizes[i]);
        const std::string path = std::string(VELCORA_ASSETS_DIR) + "/" + files[i].Name;
        ASSERT_TRUE(std::filesystem::exists(path));
        EXPECT_EQ(test::ReadBytes(path), files[i].Bytes);
        // An edit-buffer dump named as a blank.
        EXPECT_EQ(files[i].Bytes[7], 0x7F);
        EXPECT_EQ(files[i].Bytes[8], 0x7F);
        const std::string name(files[i].Bytes.begin() + 36 + 9, files[i].Bytes.begin() + 36 + 25);
        EXPECT_EQ(name, "ini:Blank Preset");
    }
}

} // namespace
} // namespace velcora::emu
