#include "tools/processor.h"

#if defined(__i386__) || defined(__x86_64__)
#include <cpuid.h>
#endif

namespace Processor {

bool versionAndFeatures(quint32 *eax, quint32 *edx)
{
#if defined(__i386__) || defined(__x86_64__)
    unsigned int a = 0;
    unsigned int b = 0;
    unsigned int c = 0;
    unsigned int d = 0;
    if (!__get_cpuid_count(1, 0, &a, &b, &c, &d))
        return false;
    *eax = a;
    *edx = d;
    return true;
#else
    Q_UNUSED(eax)
    Q_UNUSED(edx)
    return false;
#endif
}

} // namespace Processor
