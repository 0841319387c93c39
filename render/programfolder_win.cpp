#include "render/programfolder.h"

// An installed program's folder takes no writes from the engine's sub-processes, whoever runs
// them: Windows keeps it for administrators, and the sub-processes run with a restricted token.
void ProgramFolder::keepUnwritten()
{
}
