#include "tools/processor.h"

#include <intrin.h>

namespace Processor {

bool versionAndFeatures(quint32 *eax, quint32 *edx)
{
#if defined(_M_IX86) || defined(_M_X64)
    int registers[4] = {};
    __cpuidex(registers, 1, 0);
    *eax = quint32(registers[0]);
    *edx = quint32(registers[3]);
    return true;
#else
    Q_UNUSED(eax)
    Q_UNUSED(edx)
    return false;
#endif
}

} // namespace Processor
