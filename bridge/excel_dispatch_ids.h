// The dispatch identifiers of the Excel automation members that the
// bridge's objects stand for (spreadsheet_application.h). An adapter that
// drives Excel calls IDispatch::Invoke with these, never looking a name up.
#pragma once

#include <cstdint>

namespace gridlet::excel_dispid {

using DispatchId = std::int32_t;

// Application
inline constexpr DispatchId APPLICATION_VISIBLE = 0x22E;         // property put, BOOL
inline constexpr DispatchId APPLICATION_DISPLAY_ALERTS = 0x157;  // property get / put, BOOL
inline constexpr DispatchId APPLICATION_WORKBOOKS = 0x23C;       // property get
inline constexpr DispatchId APPLICATION_ACTIVE_WINDOW = 0x2F7;   // property get
inline constexpr DispatchId APPLICATION_QUIT = 0x12E;            // method
// Workbooks
inline constexpr DispatchId WORKBOOKS_OPEN = 0x2AA;  // method: string, then 12 VARIANTs
// Workbook
inline constexpr DispatchId WORKBOOK_ACTIVATE = 0x130;    // method
inline constexpr DispatchId WORKBOOK_WORKSHEETS = 0x1EE;  // property get
inline constexpr DispatchId WORKBOOK_SAVE_AS = 0x11C;     // method: VARIANT x6, long, VARIANT x4
inline constexpr DispatchId WORKBOOK_CLOSE = 0x115;       // method: VARIANT x3
// Sheets
inline constexpr DispatchId SHEETS_COUNT = 0x76;  // property get, long
inline constexpr DispatchId SHEETS_ITEM = 0xAA;   // property get, VARIANT index or name
// Worksheet
inline constexpr DispatchId WORKSHEET_ACTIVATE = 0x130;  // method
inline constexpr DispatchId WORKSHEET_NAME = 0x6E;       // property get / put, BSTR
inline constexpr DispatchId WORKSHEET_RANGE = 0xC5;      // property get, VARIANT, VARIANT
// Range
inline constexpr DispatchId RANGE_VALUE = 6;  // property get / put, VARIANT
// Window
inline constexpr DispatchId WINDOW_DISPLAY_FORMULAS = 0x284;  // property get / put, BOOL

// DISP_E_PARAMNOTFOUND: the VT_ERROR value of an omitted argument.
inline constexpr std::int32_t PARAM_NOT_FOUND = static_cast<std::int32_t>(0x80020004u);

}  // namespace gridlet::excel_dispid
