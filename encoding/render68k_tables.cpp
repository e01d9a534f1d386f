// The tag vocabulary of the 68k-class token stream, typed in once here:
// the primary tag table (class byte and name of every tag) and the names of
// the two-byte tags 0x1C (system variables), 0xE3 (further functions) and
// 0xE4 (commands, with their form classes). Names are in the calculator's
// character set.
#include "encoding/render68k_tables.h"

#include <algorithm>
#include <cstddef>
#include <vector>

namespace gridlet {
namespace {

struct PrimaryRow {
  std::uint8_t tag;
  std::uint8_t tagClass;
  std::string_view name;
};

struct NamedCode {
  std::uint8_t code;
  std::string_view name;
};

struct CommandRow {
  std::uint8_t code;
  std::uint8_t formClass;
  std::string_view name;
};

// Every tag once, in tag order (checked below). An empty name means none.
constexpr PrimaryRow kPrimaryRows[] = {
    {0x00, 1, {}}, {0x01, 2, {}}, {0x02, 2, {}}, {0x03, 2, {}},
    {0x04, 2, {}}, {0x05, 2, {}}, {0x06, 2, {}}, {0x07, 2, {}},
    {0x08, 2, {}}, {0x09, 2, {}}, {0x0A, 2, {}}, {0x0B, 2, {}},
    {0x0C, 2, {}}, {0x0D, 2, {}}, {0x0E, 2, {}}, {0x0F, 2, {}},
    {0x10, 2, {}}, {0x11, 2, {}}, {0x12, 2, {}}, {0x13, 2, {}},
    {0x14, 2, {}}, {0x15, 2, {}}, {0x16, 2, {}}, {0x17, 2, {}},
    {0x18, 2, {}}, {0x19, 2, {}}, {0x1A, 2, {}}, {0x1B, 2, {}},
    {0x1C, 4, {}}, {0x1D, 5, {}}, {0x1E, 5, {}}, {0x1F, 6, {}},
    {0x20, 6, {}}, {0x21, 7, {}}, {0x22, 7, {}}, {0x23, 8, {}},
    {0x24, 9, "\x8C"}, {0x25, 9, "\x96"}, {0x26, 10, "\x97"}, {0x27, 11, "\xAD\xBE"},
    {0x28, 11, "\xBE"}, {0x29, 11, "+-inf"}, {0x2A, 11, "undef"}, {0x2B, 12, "false"},
    {0x2C, 12, "true"}, {0x2D, 13, "\x22"}, {0x2E, 14, {}}, {0x2F, 15, "cosh\xB4"},
    {0x30, 15, "sinh\xB4"}, {0x31, 15, "tanh\xB4"}, {0x32, 0, {}}, {0x33, 0, {}},
    {0x34, 0, {}}, {0x35, 16, "cosh"}, {0x36, 16, "sinh"}, {0x37, 16, "tanh"},
    {0x38, 0, {}}, {0x39, 0, {}}, {0x3A, 0, {}}, {0x3B, 17, "cos\xB4"},
    {0x3C, 17, "sin\xB4"}, {0x3D, 17, "tan\xB4"}, {0x3E, 0, {}}, {0x3F, 0, {}},
    {0x40, 0, {}}, {0x41, 18, {}}, {0x42, 18, {}}, {0x43, 18, {}},
    {0x44, 19, "cos"}, {0x45, 19, "sin"}, {0x46, 19, "tan"}, {0x47, 0, {}},
    {0x48, 0, {}}, {0x49, 0, {}}, {0x4A, 20, {}}, {0x4B, 22, "abs"},
    {0x4C, 22, "angle"}, {0x4D, 22, "ceiling"}, {0x4E, 22, "floor"}, {0x4F, 22, "int"},
    {0x50, 22, "sign"}, {0x51, 22, "\xA8"}, {0x52, 21, {}}, {0x53, 21, "ln"},
    {0x54, 21, "log"}, {0x55, 22, "fPart"}, {0x56, 22, "iPart"}, {0x57, 22, "conj"},
    {0x58, 22, "imag"}, {0x59, 22, "real"}, {0x5A, 23, "approx"}, {0x5B, 23, "tExpand"},
    {0x5C, 23, "tCollect"}, {0x5D, 22, "getDenom"}, {0x5E, 22, "getNum"}, {0x5F, 0, {}},
    {0x60, 22, "cumSum"}, {0x61, 22, "det"}, {0x62, 22, "colNorm"}, {0x63, 22, "rowNorm"},
    {0x64, 22, "norm"}, {0x65, 22, "mean"}, {0x66, 22, "median"}, {0x67, 22, "product"},
    {0x68, 22, "stdDev"}, {0x69, 22, "sum"}, {0x6A, 22, "variance"}, {0x6B, 22, "unitV"},
    {0x6C, 22, "dim"}, {0x6D, 22, "mat\x12list"}, {0x6E, 22, "newList"}, {0x6F, 22, "rref"},
    {0x70, 22, "ref"}, {0x71, 22, "identity"}, {0x72, 22, "diag"}, {0x73, 22, "colDim"},
    {0x74, 22, "rowDim"}, {0x75, 24, "\x99"}, {0x76, 24, "!"}, {0x77, 24, "%"},
    {0x78, 24, "\x98"}, {0x79, 24, "not"}, {0x7A, 24, "\xAD"}, {0x7B, 24, {}},
    {0x7C, 24, {}}, {0x7D, 24, {}}, {0x7E, 24, "("}, {0x7F, 25, {}},
    {0x80, 25, "\x16"}, {0x81, 25, "|"}, {0x82, 26, "xor"}, {0x83, 26, "or"},
    {0x84, 26, "and"}, {0x85, 27, "<"}, {0x86, 27, "\x9C"}, {0x87, 27, "="},
    {0x88, 27, "\x9E"}, {0x89, 27, ">"}, {0x8A, 27, "\x9D"}, {0x8B, 28, "+"},
    {0x8C, 28, ".+"}, {0x8D, 28, "-"}, {0x8E, 28, ".-"}, {0x8F, 29, "*"},
    {0x90, 29, ".*"}, {0x91, 29, "/"}, {0x92, 29, "./"}, {0x93, 30, "^"},
    {0x94, 30, ".^"}, {0x95, 32, {}}, {0x96, 31, "solve"}, {0x97, 31, "cSolve"},
    {0x98, 31, "nSolve"}, {0x99, 31, "zeros"}, {0x9A, 31, "cZeros"}, {0x9B, 31, "fMin"},
    {0x9C, 31, "fMax"}, {0x9D, 32, {}}, {0x9E, 32, "polyEval"}, {0x9F, 33, "randPoly"},
    {0xA0, 32, "crossP"}, {0xA1, 32, "dotP"}, {0xA2, 32, "gcd"}, {0xA3, 32, "lcm"},
    {0xA4, 32, "mod"}, {0xA5, 32, "intDiv"}, {0xA6, 32, "remain"}, {0xA7, 32, "nCr"},
    {0xA8, 32, "nPr"}, {0xA9, 32, "P\x12Rx"}, {0xAA, 32, "P\x12Ry"}, {0xAB, 32, "R\x12P\x88"},
    {0xAC, 32, "R\x12Pr"}, {0xAD, 32, "augment"}, {0xAE, 32, "newMat"}, {0xAF, 32, "randMat"},
    {0xB0, 32, "simult"}, {0xB1, 38, "part"}, {0xB2, 33, "exp\x12list"}, {0xB3, 32, "randNorm"},
    {0xB4, 34, "mRow"}, {0xB5, 34, "rowAdd"}, {0xB6, 34, "rowSwap"}, {0xB7, 36, "arcLen"},
    {0xB8, 37, "nInt"}, {0xB9, 37, "\x8B"}, {0xBA, 37, "\x8E"}, {0xBB, 35, "mRowAdd"},
    {0xBC, 38, "ans"}, {0xBD, 38, "entry"}, {0xBE, 38, "exact"}, {0xBF, 38, {}},
    {0xC0, 38, "comDenom"}, {0xC1, 38, "expand"}, {0xC2, 38, "factor"}, {0xC3, 38, "cFactor"},
    {0xC4, 38, "\xBD"}, {0xC5, 38, "\xBC"}, {0xC6, 38, "avgRC"}, {0xC7, 38, "nDeriv"},
    {0xC8, 38, "taylor"}, {0xC9, 38, "limit"}, {0xCA, 38, "propFrac"}, {0xCB, 38, "when"},
    {0xCC, 38, "round"}, {0xCD, 38, "\xB0"}, {0xCE, 38, "left"}, {0xCF, 38, "right"},
    {0xD0, 38, "mid"}, {0xD1, 38, "shift"}, {0xD2, 38, "seq"}, {0xD3, 38, "list\x12mat"},
    {0xD4, 38, "subMat"}, {0xD5, 38, {}}, {0xD6, 38, "rand"}, {0xD7, 38, "min"},
    {0xD8, 38, "max"}, {0xD9, 39, "{"}, {0xDA, 39, {}}, {0xDB, 39, "["},
    {0xDC, 40, {}}, {0xDD, 40, {}}, {0xDE, 40, {}}, {0xDF, 40, {}},
    {0xE0, 40, {}}, {0xE1, 40, {}}, {0xE2, 40, {}}, {0xE3, 41, {}},
    {0xE4, 42, {}}, {0xE5, 43, {}}, {0xE6, 43, "\xA9"}, {0xE7, 43, ":"},
    {0xE8, 43, "\x0D"}, {0xE9, 43, {}}, {0xEA, 24, "+-"}, {0xEB, 28, "+-"},
    {0xEC, 40, {}}, {0xED, 22, "eigVc"}, {0xEE, 22, "eigVl"}, {0xEF, 24, "'"},
    {0xF0, 3, {}}, {0xF1, 34, "DeSolve"}, {0xF2, 24, "'"}, {0xF3, 40, {}},
    {0xF4, 22, "IsPrime"}, {0xF5, 33, {}}, {0xF6, 23, {}}, {0xF7, 23, {}},
    {0xF8, 40, {}}, {0xF9, 38, "rotate"}, {0xFA, 0, {}}, {0xFB, 0, {}},
    {0xFC, 0, {}}, {0xFD, 0, {}}, {0xFE, 0, {}}, {0xFF, 0, {}},
};

constexpr NamedCode kSysVarRows[] = {
    {0x01, "\x9A"}, {0x02, "\x9B"}, {0x03, "\x8Ex"}, {0x04, "\x8Ex\xB2"},
    {0x05, "\x8Ey"}, {0x06, "\x8Ey\xB2"}, {0x07, "\x8Exy"}, {0x08, "Sx"},
    {0x09, "Sy"}, {0x0A, "\x8Fx"}, {0x0B, "\x8Fy"}, {0x0C, "nStat"},
    {0x0D, "minX"}, {0x0E, "minY"}, {0x0F, "q1"}, {0x10, "medStat"},
    {0x11, "q3"}, {0x12, "maxX"}, {0x13, "maxY"}, {0x14, "corr"},
    {0x15, "R\xB2"}, {0x16, "medx1"}, {0x17, "medx2"}, {0x18, "medx3"},
    {0x19, "medy1"}, {0x1A, "medy2"}, {0x1B, "medy3"}, {0x1C, "xc"},
    {0x1D, "yc"}, {0x1E, "zc"}, {0x1F, "tc"}, {0x20, "rc"},
    {0x21, "\x88" "c"}, {0x22, "nc"}, {0x23, "xfact"}, {0x24, "yfact"},
    {0x25, "zfact"}, {0x26, "xmin"}, {0x27, "xmax"}, {0x28, "xscl"},
    {0x29, "ymin"}, {0x2A, "ymax"}, {0x2B, "yscl"}, {0x2C, "\x84x"},
    {0x2D, "\x84y"}, {0x2E, "xres"}, {0x2F, "xgrid"}, {0x30, "ygrid"},
    {0x31, "zmin"}, {0x32, "zmax"}, {0x33, "zscl"}, {0x34, "eye\x88"},
    {0x35, "eye\x91"}, {0x36, "\x88min"}, {0x37, "\x88max"}, {0x38, "\x88step"},
    {0x39, "tmin"}, {0x3A, "tmax"}, {0x3B, "tstep"}, {0x3C, "nmin"},
    {0x3D, "nmax"}, {0x3E, "plotStrt"}, {0x3F, "plotStep"}, {0x40, "zxmin"},
    {0x41, "zxmax"}, {0x42, "zxscl"}, {0x43, "zymin"}, {0x44, "zymax"},
    {0x45, "zyscl"}, {0x46, "zxres"}, {0x47, "z\x88min"}, {0x48, "z\x88max"},
    {0x49, "z\x88step"}, {0x4A, "ztmin"}, {0x4B, "ztmax"}, {0x4C, "ztstep"},
    {0x4D, "zxgrid"}, {0x4E, "zygrid"}, {0x4F, "zzmin"}, {0x50, "zzmax"},
    {0x51, "zzscl"}, {0x52, "zeye\x88"}, {0x53, "zeye\x91"}, {0x54, "znmin"},
    {0x55, "znmax"}, {0x56, "zpltstep"}, {0x57, "zpltstrt"}, {0x58, "seed1"},
    {0x59, "seed2"}, {0x5A, "ok"}, {0x5B, "errornum"}, {0x5C, "sysMath"},
    {0x5D, "sysData"}, {0x5F, "regCoef"}, {0x60, "tblInput"}, {0x61, "tblStart"},
    {0x62, "\x84tbl"}, {0x64, "eye\x92"}, {0x65, "tplot"}, {0x66, "diftol"},
    {0x67, "zeye\x92"}, {0x68, "t0"}, {0x69, "dtime"}, {0x6A, "ncurves"},
    {0x6B, "fldres"}, {0x6C, "EStep"}, {0x6D, "zt0de"}, {0x6E, "ztmax"},
    {0x6F, "ztstep"}, {0x70, "ztplotde"}, {0x71, "ncontour"},
};

constexpr NamedCode kExtRows[] = {
    {0x01, "#"}, {0x02, "getKey"}, {0x03, "getFold"}, {0x04, "switch"},
    {0x05, "\x12"}, {0x06, "ord"}, {0x07, "expr"}, {0x08, "char"},
    {0x09, "string"}, {0x0A, "getType"}, {0x0B, "getMode"}, {0x0C, "setFold"},
    {0x0D, "ptTest"}, {0x0E, "pxlTest"}, {0x0F, "setGraph"}, {0x10, "setTable"},
    {0x11, "setMode"}, {0x12, "format"}, {0x13, "inString"}, {0x14, "&"},
    {0x15, "\x12" "DD"}, {0x16, "\x12" "DMS"}, {0x17, "\x12Rect"}, {0x18, "\x12Polar"},
    {0x19, "\x12" "Cylind"}, {0x1A, "\x12Sphere"}, {0x26, "\x9F"}, {0x27, "tmpCnv"},
    {0x28, "\x84tmpCnv"}, {0x29, "getUnits"}, {0x2A, "setUnits"}, {0x2D, "\x12" "Bin"},
    {0x2E, "\x12" "Dec"}, {0x2F, "\x12Hex"}, {0x30, "det"}, {0x31, "ref"},
    {0x32, "rref"}, {0x33, "simult"}, {0x34, "getConfg"}, {0x35, "augment"},
};

constexpr CommandRow kCommandRows[] = {
    {0x01, 0, "ClrDraw"}, {0x02, 0, "ClrGraph"}, {0x03, 0, "ClrHome"}, {0x04, 0, "ClrIO"},
    {0x05, 0, "ClrTable"}, {0x06, 0, "Custom"}, {0x07, 0, "Cycle"}, {0x08, 0, "Dialog"},
    {0x09, 0, "DispG"}, {0x0A, 0, "DispTbl"}, {0x0B, 0, "Else"}, {0x0C, 0, "EndCustm"},
    {0x0D, 0, "EndDlog"}, {0x0E, 0, "EndFor"}, {0x0F, 0, "EndFunc"}, {0x10, 0, "EndIf"},
    {0x11, 0, "EndLoop"}, {0x12, 0, "EndPrgm"}, {0x13, 0, "EndTBar"}, {0x14, 0, "EndTry"},
    {0x15, 0, "EndWhile"}, {0x16, 0, "Exit"}, {0x17, 0, "Func"}, {0x18, 0, "Loop"},
    {0x19, 0, "Prgm"}, {0x1A, 0, "ShowStat"}, {0x1B, 0, "Stop"}, {0x1C, 0, "Then"},
    {0x1D, 0, "Toolbar"}, {0x1E, 0, "Trace"}, {0x1F, 0, "Try"}, {0x20, 0, "ZoomBox"},
    {0x21, 0, "ZoomData"}, {0x22, 0, "ZoomDec"}, {0x23, 0, "ZoomFit"}, {0x24, 0, "ZoomIn"},
    {0x25, 0, "ZoomInt"}, {0x26, 0, "ZoomOut"}, {0x27, 0, "ZoomPrev"}, {0x28, 0, "ZoomRcl"},
    {0x29, 0, "ZoomSqr"}, {0x2A, 0, "ZoomStd"}, {0x2B, 0, "ZoomSto"}, {0x2C, 0, "ZoomTrig"},
    {0x2D, 17, "DrawFunc "}, {0x2E, 17, "DrawInv "}, {0x2F, 17, "Goto "}, {0x30, 17, "Lbl "},
    {0x31, 17, "Get "}, {0x32, 17, "Send "}, {0x33, 17, "GetCalc "}, {0x34, 17, "SendCalc "},
    {0x35, 17, "NewFold "}, {0x37, 17, "RclGDB "}, {0x38, 17, "StoGDB "}, {0x39, 17, "ElseIf "},
    {0x3A, 17, "If "}, {0x3B, 17, "If "}, {0x3C, 17, "RandSeed "}, {0x3D, 17, "While "},
    {0x3E, 34, "LineTan "}, {0x3F, 34, "CopyVar "}, {0x40, 34, "Rename "}, {0x41, 34, "Style "},
    {0x42, 34, "Fill "}, {0x43, 34, "Request "}, {0x44, 34, "PopUp "}, {0x45, 34, "PtChg "},
    {0x46, 34, "PtOff "}, {0x47, 34, "PtOn "}, {0x48, 34, "PxlChg "}, {0x49, 34, "PxlOff "},
    {0x4A, 34, "PxlOn "}, {0x4B, 51, "MoveVar "}, {0x4C, 51, "DropDown "}, {0x4D, 51, "Output "},
    {0x4E, 51, "PtText "}, {0x4F, 51, "PxlText "}, {0x50, 51, "DrawSlp "}, {0x51, 1, "Pause "},
    {0x52, 1, "Return "}, {0x53, 2, "Input "}, {0x54, 9, "PlotsOff "}, {0x55, 9, "PlotsOn "},
    {0x56, 18, "Title "}, {0x57, 18, "Item "}, {0x58, 18, "InputStr "}, {0x59, 18, "LineHorz "},
    {0x5A, 18, "LineVert "}, {0x5B, 18, "PxlHorz "}, {0x5C, 18, "PxlVert "}, {0x5D, 19, "AndPic "},
    {0x5E, 19, "RclPic "}, {0x5F, 19, "RplcPic "}, {0x60, 19, "XorPic "}, {0x61, 20, "DrawPol "},
    {0x62, 20, "Text "}, {0x63, 20, "OneVar "}, {0x64, 21, "StoPic "}, {0x65, 19, "Graph "},
    {0x66, 19, "Table "}, {0x67, 36, "NewPic "}, {0x68, 37, "DrawParm "}, {0x69, 37, "CyclePic "},
    {0x6A, 37, "CubicReg "}, {0x6B, 37, "ExpReg "}, {0x6C, 37, "LinReg "}, {0x6D, 37, "LnReg "},
    {0x6E, 37, "MedMed "}, {0x6F, 37, "PowerReg "}, {0x70, 37, "QuadReg "}, {0x71, 37, "QuartReg "},
    {0x72, 37, "TwoVar "}, {0x73, 38, "Shade "}, {0x74, 52, "For "}, {0x75, 52, "Circle "},
    {0x76, 52, "PxlCrcl "}, {0x77, 57, "NewPlot "}, {0x78, 69, "Line "}, {0x79, 69, "PxlLine "},
    {0x7A, 15, "Disp "}, {0x7B, 15, "FnOff "}, {0x7C, 15, "FnOn "}, {0x7D, 31, "Local "},
    {0x7E, 31, "DelFold "}, {0x7F, 31, "DelVar "}, {0x80, 31, "Lock "}, {0x81, 31, "Prompt "},
    {0x82, 31, "SortA "}, {0x83, 31, "SortD "}, {0x84, 31, "Unlock "}, {0x85, 47, "NewData "},
    {0x86, 47, "Define "}, {0x87, 0, "Else"}, {0x88, 0, "ClrErr"}, {0x89, 0, "PassErr"},
    {0x8A, 0, "DispHome"}, {0x8B, 31, "Exec "}, {0x8C, 31, "Archive "}, {0x8D, 31, "Unarchiv "},
    {0x8E, 69, "LU "}, {0x8F, 52, "QR "}, {0x90, 1, "BldData "}, {0x91, 17, "DrwCtour "},
    {0x92, 0, "NewProb"}, {0x93, 38, "SinReg "}, {0x94, 38, "Logistic "}, {0x95, 0, "CustmOn"},
    {0x96, 0, "CustmOff"}, {0x97, 17, "SendChat "},
};

constexpr bool PrimaryRowsInOrder() {
  if (std::size(kPrimaryRows) != 256) return false;
  for (std::size_t i = 0; i < std::size(kPrimaryRows); ++i) {
    if (kPrimaryRows[i].tag != i) return false;
  }
  return true;
}
static_assert(PrimaryRowsInOrder(), "one row per tag, in tag order");

template <std::size_t N, std::size_t M>
constexpr std::array<std::string_view, N> IndexByCode(const NamedCode (&rows)[M]) {
  std::array<std::string_view, N> names{};
  for (const NamedCode& row : rows) names[row.code] = row.name;
  return names;
}

template <std::size_t N, std::size_t M>
constexpr std::array<Command68kEntry, N> IndexCommands(const CommandRow (&rows)[M]) {
  std::array<Command68kEntry, N> entries{};
  for (const CommandRow& row : rows) entries[row.code] = {row.formClass, row.name};
  return entries;
}

constexpr std::array<Tag68kEntry, 256> IndexPrimary() {
  std::array<Tag68kEntry, 256> entries{};
  for (const PrimaryRow& row : kPrimaryRows) entries[row.tag] = {row.tagClass, row.name};
  return entries;
}

}  // namespace

constexpr std::array<Tag68kEntry, 256> Tag68kTable = IndexPrimary();
constexpr std::array<std::string_view, kSysVar68kCodes> Tag68kSysVarNames =
    IndexByCode<kSysVar68kCodes>(kSysVarRows);
constexpr std::array<std::string_view, kExt68kCodes> Tag68kExtNames =
    IndexByCode<kExt68kCodes>(kExtRows);
constexpr std::array<Command68kEntry, kCommand68kCodes> Tag68kCommands =
    IndexCommands<kCommand68kCodes>(kCommandRows);

}  // namespace gridlet

namespace gridlet {

std::span<const std::string_view> Function68kNames() {
  static const std::vector<std::string_view> names = [] {
    std::vector<std::string_view> out;
    // Tags of these classes are written as their name followed by the
    // arguments in parentheses.
    for (const Tag68kEntry& entry : Tag68kTable) {
      const bool call = (entry.tagClass >= 15 && entry.tagClass <= 23) ||
                        (entry.tagClass >= 31 && entry.tagClass <= 39);
      if (call && !entry.name.empty()) out.push_back(entry.name);
    }
    // So are these codes after the tag 0xE3.
    constexpr std::uint8_t kExtCalls[] = {0x04, 0x06, 0x07, 0x08, 0x09, 0x0A, 0x0B, 0x0C,
                                          0x0D, 0x0E, 0x0F, 0x10, 0x11, 0x12, 0x13, 0x27,
                                          0x28, 0x30, 0x31, 0x32, 0x35};
    for (const std::uint8_t code : kExtCalls) {
      if (!Tag68kExtNames[code].empty()) out.push_back(Tag68kExtNames[code]);
    }
    std::sort(out.begin(), out.end());
    out.erase(std::unique(out.begin(), out.end()), out.end());
    return out;
  }();
  return names;
}

}  // namespace gridlet
