#pragma once
#include "foundation/AbsenderRegel.h"
#include <QString>

// The composer's notice or question of a finding other than Ok ("" for Ok); the rule itself
// (CheckAbsender) is shared with the settings dialog.
QString AbsenderMeldung(TAbsenderBefund befund);
