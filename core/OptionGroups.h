#pragma once

namespace velcora {

class TIniFile;

/// The main window's five option groups, kept in the settings file's General section.
/// Each holds the index of its chosen item.
struct TOptionGroups {
    int FromTo = 0;     ///< 0 "Bank", 1 "Selected": what Get and Send move
    int LoadSave = 0;   ///< 0 "Bank", 1 "AllBanks": one bank file or the all-banks file
    int UserToLib = 0;  ///< 0 "Bank", 1 "Selected": what goes to the library
    int InsertMode = 0; ///< 0 "Overwrite", 1 "Pushdown"
    int DeleteMode = 0; ///< 0 "PutBlank", 1 "Pullup"

    /// Item 0 exactly when the stored word is the first item's, else item 1.
    static TOptionGroups Read(const TIniFile& ini);
    enum class TGroup { FromTo, LoadSave, UserToLib, InsertMode, DeleteMode };
    /// Sets one group and writes its key at once.
    void Choose(TIniFile& ini, TGroup group, int item);
};

} // namespace velcora
