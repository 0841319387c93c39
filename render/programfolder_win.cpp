#include "render/programfolder.h"

// Nothing to do: an installed program's folder takes writes from administrators only, and the
// engine's sub-processes run with a restricted token.
void ProgramFolder::keepUnwritten()
{
}
