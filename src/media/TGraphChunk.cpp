#include "media/TGraphChunk.h"

#include "media/TGrapheMan.h"

int64_t TGraphChunk::Duration()
{
    if (!Graph)
        return 0;
    const int64_t d = Graph->Graph()->duration();
    return d > 0 ? d : 0;
}
