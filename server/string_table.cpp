#include "server/string_table.h"

namespace gridlet {

const char* LoadResourceString(int id) {
  switch (id) {
    case IDS_PROJNAME: return "GridletConverter";
    case IDS_APPLICATION_ERROR: return "Application error.  Please reinstall QZ Gridlet Converter.";
    case IDS_NAME_CHANGED:
      return "The name of the file has been changed to comply with the device naming "
             "conventions. \nThe file name is now %s and can be viewed on the device as %s.\n";
    case IDS_FILE_EXISTS:
      return "Save File already exists.\n\nPress Yes to Overwrite, No to Skip this file,\nor "
             "Cancel to stop the conversion process.";
    case IDS_INVALID_FILE_NAME: return "Invalid File Name";
    case IDS_NUMBER_CHARACTERS: return "0123456789.-";
    default: return "";
  }
}

}  // namespace gridlet
