// The About box.
#include "Common/StdInit.h"

void ShowAboutBox(TextOrId version, TextOrId title, WORD iconId, TextOrId copyright,
                  TextOrId company)
{
}
