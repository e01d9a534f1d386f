// The module's string table.
#pragma once

namespace gridlet {

inline constexpr int IDS_PROJNAME = 100;
inline constexpr int IDS_APPLICATION_ERROR = 107;
inline constexpr int IDS_NAME_CHANGED = 108;
inline constexpr int IDS_FILE_EXISTS = 110;
inline constexpr int IDS_INVALID_FILE_NAME = 111;
inline constexpr int IDS_NUMBER_CHARACTERS = 112;

// The string of an id, or "" for an id the table lacks.
const char* LoadResourceString(int id);

}  // namespace gridlet
