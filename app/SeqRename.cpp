#include "SeqRename.h"

namespace velcora {

TfSeqRename::TfSeqRename(QWidget* parent) : QDialog(parent) {}

TfSeqRename::~TfSeqRename() = default;

bool TfSeqRename::Ask(const std::string&, int, int&, int&) {
    return false;
}

} // namespace velcora
