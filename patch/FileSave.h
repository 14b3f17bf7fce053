#pragma once

#include <functional>
#include <string>

namespace velcora {

class TByteWriter;
struct TPatchContext;

enum class TSaveResult { Saved, Cancelled, Failed };

/// The one way the patch layer saves a file. Over an existing file it first asks the backup
/// question: Yes keeps the old file under its .BAK name, No overwrites, Cancel writes nothing.
/// The bytes are produced only once the save goes ahead, then written atomically; a failure
/// is reported in an error box and leaves the existing file (and any .BAK) as they were.
TSaveResult SaveWithBackupQuestion(TPatchContext& ctx, const std::string& path,
                                   const std::string& question,
                                   const std::function<void(TByteWriter&)>& produce);

} // namespace velcora
