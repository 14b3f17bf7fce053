#include "BlankPresets.h"

#include "PresetFactory.h"
#include "VirtualSynth.h"

namespace velcora::emu {

std::vector<TBlankPresetFile> BlankPresetFiles() {
    struct TSource {
        const char* file;
        const char* model;
    };
    const TSource sources[] = {{"Default Audity.syx", "Audity 2000"},
                               {"Default Composer.syx", "Proteus 2000"},
                               {"Default XL-2.syx", "XL-7"}};
    std::vector<TBlankPresetFile> files;
    for (const auto& source : sources) {
        const TSynthModel& model = *FindSynthModel(source.model);
        TVirtualSynthOptions options;
        options.MemberCode = model.MemberCode;
        const TVirtualSynth synth(options);
        TBlankPresetFile file{source.file, {}};
        for (const TBytes& message :
             synth.DumpMessages(MakeInitPreset(model), kEditBufferPreset, 0, true)) {
            file.Bytes.insert(file.Bytes.end(), message.begin(), message.end());
        }
        files.push_back(std::move(file));
    }
    return files;
}

} // namespace velcora::emu
