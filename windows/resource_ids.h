// Identifiers of the module's resources (shared by the resource script and
// the code; the string ids are those of server/string_table.h).
#pragma once

#define IDR_GRIDLET 102
