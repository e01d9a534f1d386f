// What the tests ask of the fake Excel automation server: it is loaded in
// process, so the tests reach its records through these exports.
#pragma once

#include <windows.h>

extern "C" {
// Every Invoke since the last reset, one line each:
//   <object> 0x<dispid> <flags> <argument>...
// with the arguments first to last as EMPTY, MISSING, BOOL:0/1, I2:n, I4:n,
// R8:x, BSTR:text, ERROR:hex or VT:n. Calls by name appear as
// "<object> GetIDsOfNames <name>".
typedef const char*(__cdecl* FakeExcelLogFunction)();
// Forgets the records and the workbooks.
typedef void(__cdecl* FakeExcelResetFunction)();
// Adds a workbook that Open finds by its path. The sheets are separated by
// form feeds; each is its name, a line end, then rows of tab-separated
// cells. A cell "formula|value" holds a formula; a name "chart:..." makes
// a chart sheet.
typedef void(__cdecl* FakeExcelAddWorkbookFunction)(const wchar_t* path, const wchar_t* sheets);
// The shown text of a cell of a known workbook (its formula, if it has
// one), into the buffer; an empty sheet name stands for the first sheet.
// Returns false when there is no such workbook, sheet or cell.
typedef BOOL(__cdecl* FakeExcelCellFunction)(const wchar_t* path, const wchar_t* sheet, int row, int column,
                                             wchar_t* text, int size);
// How many of its automation objects are alive.
typedef LONG(__cdecl* FakeExcelLiveObjectsFunction)();
}
