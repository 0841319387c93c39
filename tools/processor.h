#pragma once

#include <QtGlobal>

// The processor identification instruction, one implementation per platform
// (processor_linux.cpp, processor_win.cpp).
namespace Processor {

// EAX and EDX of leaf 1, sub-leaf 0 (the version and feature words). False, leaving both
// untouched, on processors without the instruction.
bool versionAndFeatures(quint32 *eax, quint32 *edx);

} // namespace Processor
