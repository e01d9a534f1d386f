#include "platform/libreoffice_helper_script.h"

namespace gridlet {

namespace {

// Written to the private folder of each instance and run with
// "python3 helper.py PIPE CONNECT-SECONDS PROFILE-URL".
constexpr std::string_view SCRIPT = R"PY(# Gridlet's LibreOffice helper: connects to one soffice instance over a UNO
# pipe and carries out requests read from standard input, one per line.
# Fields are separated by TAB; backslash, TAB, LF and CR inside a field are
# escaped as \\, \t, \n and \r. Every request gets one reply line that
# begins with "ok" or "err".
import csv
import decimal
import hashlib
import io
import os
import re
import sys
import time

ESCAPES = {"\\": "\\\\", "\t": "\\t", "\n": "\\n", "\r": "\\r"}
UNESCAPES = {"\\": "\\", "t": "\t", "n": "\n", "r": "\r"}


def encode(fields):
    return "\t".join("".join(ESCAPES.get(c, c) for c in str(f)) for f in fields)


def decode(line):
    fields, field, i = [], [], 0
    while i < len(line):
        c = line[i]
        if c == "\t":
            fields.append("".join(field))
            field = []
        elif c == "\\" and i + 1 < len(line):
            i += 1
            field.append(UNESCAPES.get(line[i], line[i]))
        else:
            field.append(c)
        i += 1
    fields.append("".join(field))
    return fields


def reply(*fields):
    sys.stdout.write(encode(fields) + "\n")
    sys.stdout.flush()


def instance_pipe(profile_url):
    # The name under which soffice guards its profile against a second
    # instance: the MD5 of the profile's URL in UTF-16, byte by byte in hex.
    digest = hashlib.md5(profile_url.encode("utf-16-le")).digest()
    return "SingleOfficeIPC_" + "".join("%x" % b for b in digest)


if __name__ == "__main__":
    # Told first, before soffice is started: the socket of this pipe is then
    # known even when the instance is killed before it answers.
    reply("pipe", instance_pipe(sys.argv[3]))

try:
    import uno
    import unohelper
    from com.sun.star.beans import PropertyValue
    from com.sun.star.task import XInteractionHandler2
except Exception as error:  # no Python-UNO bridge
    reply("err", "python-uno unavailable: %s" % error)
    sys.exit(2)

CSV_FILTER = "Text - txt - csv (StarCalc)"
WINDOWS_1252, UTF_8 = 1, 76
CHARSETS = {"1252": WINDOWS_1252, "65001": UTF_8}
# Import of delimited text: separator, quote, character set, from line 1,
# standard columns, English (United States) numbers, quoted fields as texts
# (so "007" stays a text), no detection of dates and other special numbers.
IMPORT_OPTIONS = "%d,34,%d,1,,1033,true,false"
# Export of one sheet (1-based) as delimited text: separator, quote,
# character set, values as shown, formulas as their text when asked.
EXPORT_OPTIONS = "%d,34,%d,1,,1033,false,false,true,%s,false,%d"
EMPTY, VALUE, TEXT, FORMULA = "EMPTY", "VALUE", "TEXT", "FORMULA"
# com.sun.star.sheet.CellFlags
VALUE_CELLS, DATETIME_CELLS, STRING_CELLS, FORMULA_CELLS = 1, 2, 4, 16
# com.sun.star.sheet.FormulaResult
ERROR_RESULT = 4
# The errors of a formula that LibreOffice cannot read: an unknown name
# (#NAME?) or signs out of place. Errors of computing (#VALUE!, #DIV/0!,
# #REF!, circular references and the like) are results, not these.
UNREADABLE = {501, 507, 508, 509, 510, 511, 512, 516, 517, 518, 520, 521, 525, 526, 527, 533, 539}
# The note on a cell that holds a calculator formula as its text; a text
# cell with this note is read back as that formula.
KEPT_FORMULA_NOTE = "Gridlet: a calculator formula that this spreadsheet cannot compute, kept as its text."
# Positional numbers within this decimal exponent, scientific beyond: the
# calculators hold exponents up to 99.
POSITIONAL_EXPONENT = 99


def prop(name, value):
    p = PropertyValue()
    p.Name = name
    p.Value = value
    return p


def url(path):
    return uno.systemPathToFileUrl(os.path.abspath(path))


def column_letters(column):
    letters = ""
    column += 1
    while column > 0:
        column, rest = divmod(column - 1, 26)
        letters = chr(65 + rest) + letters
    return letters


def number_text(value):
    # Fifteen significant digits, more than the calculators' fourteen:
    # 0.1 + 0.2 is 0.3, 1/3 is 0.333333333333333.
    if value == 0 or value != value:
        return "0"
    if value in (float("inf"), float("-inf")):
        return repr(value)
    text = "%.15g" % value
    mantissa, _, exponent = text.partition("e")
    if not exponent:
        return text
    if abs(int(exponent)) <= POSITIONAL_EXPONENT:
        return format(decimal.Decimal(text), "f")
    return "%sE%+d" % (mantissa, int(exponent))


def formula_field(text):
    # As it stands, quotes of string literals included; in quotes only when
    # it holds a TAB or a line break, which must not end the field.
    if any(c in text for c in "\t\r\n"):
        return '"' + text.replace('"', '""') + '"'
    return text


def windows_1252(text):
    # The bytes of the text in Windows-1252, and whether a character had no
    # form there ("?" instead). The five bytes the code page leaves
    # undefined stand for the C1 controls of their value.
    try:
        return text.encode("cp1252"), False
    except UnicodeEncodeError:
        out, lost = bytearray(), False
        for c in text:
            try:
                out += c.encode("cp1252")
            except UnicodeEncodeError:
                if ord(c) in (0x81, 0x8D, 0x8F, 0x90, 0x9D):
                    out.append(ord(c))
                else:
                    out += b"?"
                    lost = True
        return bytes(out), lost


def cells_of(ranges):
    for address in ranges.RangeAddresses:
        for row in range(address.StartRow, address.EndRow + 1):
            for column in range(address.StartColumn, address.EndColumn + 1):
                yield row, column


class Interaction(unohelper.Base, XInteractionHandler2):
    # Answers every question of a loading filter with its abort, and
    # remembers whether a password was asked for.
    def __init__(self):
        self.password_asked = False

    def handle(self, request):
        self.handleInteractionRequest(request)

    def handleInteractionRequest(self, request):
        abort = None
        for choice in request.getContinuations():
            names = [t.typeName for t in choice.getTypes()]
            if any(n.startswith("com.sun.star.task.XInteractionPassword") for n in names):
                self.password_asked = True
            if "com.sun.star.task.XInteractionAbort" in names and abort is None:
                abort = choice
        if abort is not None:
            abort.select()
        return True


class Helper:
    def __init__(self, desktop):
        self.desktop = desktop
        self.documents = {}
        self.texts = {}  # key: (path, separator, code page) of a workbook opened from text

    def document(self, key):
        if key not in self.documents:
            raise LookupError("no open workbook %s" % key)
        return self.documents[key]

    def sheet(self, key, index):
        sheets = self.document(key).Sheets
        index = int(index)
        if index < 0 or index >= sheets.Count:
            raise IndexError("no worksheet %d" % (index + 1))
        return sheets.getByIndex(index)

    def do_open(self, key, path, kind, read_only, update, separator="9", code_page="1252"):
        # Hidden, no macros run, links updated without asking when asked.
        interaction = Interaction()
        props = [prop("Hidden", True), prop("MacroExecutionMode", 0),
                 prop("UpdateDocMode", 0 if update == "0" else 2),
                 prop("ReadOnly", read_only == "1"), prop("InteractionHandler", interaction)]
        if kind == "text":
            options = IMPORT_OPTIONS % (int(separator), CHARSETS.get(code_page, UTF_8))
            props += [prop("FilterName", CSV_FILTER), prop("FilterOptions", options)]
        document = self.desktop.loadComponentFromURL(url(path), "_blank", 0, tuple(props))
        name = os.path.basename(path)
        if document is None and interaction.password_asked:
            raise IOError("%s is protected by a password; save a copy without one to convert it" % name)
        if document is None or not hasattr(document, "Sheets"):
            if document is not None:
                document.close(True)
            raise IOError("%s cannot be read as a workbook" % name)
        self.documents[key] = document
        if kind == "text":
            self.texts[key] = (path, chr(int(separator)), "cp1252" if code_page == "1252" else "utf-8-sig")
        active = 0
        try:
            active = document.CurrentController.ActiveSheet.RangeAddress.Sheet
        except Exception:
            pass
        return [active]

    def do_count(self, key):
        return [self.document(key).Sheets.Count]

    def do_name(self, key, index):
        return [self.sheet(key, index).Name]

    def do_rename(self, key, index, name):
        self.sheet(key, index).Name = name
        return []

    def do_find(self, key, name):
        # Names compare regardless of case, as in Excel; an exact match wins.
        sheets = self.document(key).Sheets
        names = [sheets.getByIndex(i).Name for i in range(sheets.Count)]
        if name in names:
            return [names.index(name)]
        folded = [n.casefold() for n in names]
        if name.casefold() in folded:
            return [folded.index(name.casefold())]
        raise LookupError("no worksheet named %s" % name)

    def do_get(self, key, index, cell):
        c = self.sheet(key, index).getCellRangeByName(cell).getCellByPosition(0, 0)
        kind = c.Type.value
        if kind == EMPTY:
            return ["E"]
        if kind == VALUE or (kind == FORMULA and c.FormulaResultType2 == 1):
            return ["N", repr(c.getValue())]
        return ["S", c.getString()]

    def do_put(self, key, index, cell, kind, value):
        c = self.sheet(key, index).getCellRangeByName(cell)
        if kind == "E":
            c.clearContents(1 | 2 | 4 | 16)
        elif kind == "N":
            c.setValue(float(value))
        else:
            # As if typed: "0" becomes the number 0, "=A1" a formula.
            c.setFormula(value)
        return []

    def store_alone(self, key, folder, name, options, password=""):
        # A filter that writes one sheet names its file after the sheet, so
        # it writes into an empty folder and the one file there is taken.
        before = set(os.listdir(folder))
        props = [prop("FilterName", CSV_FILTER), prop("FilterOptions", options)]
        if password:
            props.append(prop("Password", password))
        self.document(key).storeToURL(url(os.path.join(folder, name)), tuple(props))
        made = sorted(set(os.listdir(folder)) - before)
        if len(made) != 1:
            raise IOError("the text export wrote %d files" % len(made))
        return os.path.join(folder, made[0])

    def do_savetext(self, key, folder, index, formulas):
        # One worksheet as tab text in Windows-1252 from cell A1 on, rows
        # ending in CR LF: numbers with their value at full precision (not
        # as shown), dates and times as shown, texts in quotes (so that a
        # text that looks like a number stays a text), formulas as their
        # text when asked. TABs and line breaks inside a cell stay inside
        # its quotes. Replies with the file and the cells whose characters
        # had no Windows-1252 form.
        sheet = self.sheet(key, index)
        cursor = sheet.createCursor()
        cursor.gotoEndOfUsedArea(False)
        end = cursor.RangeAddress
        area = sheet.getCellRangeByPosition(0, 0, end.EndColumn, end.EndRow)
        values = area.getDataArray()
        entered = area.getFormulaArray()
        shown = None
        special = {}
        for note in sheet.Annotations:
            if note.String == KEPT_FORMULA_NOTE:
                special[note.Position.Row, note.Position.Column] = "kept"
        for row, column in cells_of(area.queryContentCells(DATETIME_CELLS)):
            special[row, column] = "date"
        # Without formulas, a formula cell gives its value: a number as a
        # number, anything else as shown.
        for row, column in cells_of(area.queryContentCells(FORMULA_CELLS)):
            special[row, column] = "formula" if formulas == "1" else "shown"
        if any(kind != "kept" for kind in special.values()):
            # The filter writes formulas in the spreadsheet's own notation
            # and dates as shown.
            written = self.store_alone(key, folder, "shown.txt", EXPORT_OPTIONS % (
                9, UTF_8, "true" if formulas == "1" else "false", int(index) + 1))
            with open(written, encoding="utf-8-sig", newline="") as source:
                shown = list(csv.reader(source, delimiter="\t", quotechar='"'))
        def shown_at(row, column):
            line = shown[row] if row < len(shown) else []
            return line[column] if column < len(line) else ""

        def quoted(text):
            return '"' + text.replace('"', '""') + '"'

        lines, replaced = [], []
        for row, (row_values, row_entered) in enumerate(zip(values, entered)):
            fields = []
            for column, value in enumerate(row_values):
                kind = special.get((row, column))
                if kind == "formula":
                    text = formula_field(shown_at(row, column))
                elif kind == "kept" and isinstance(value, str) and value.startswith("="):
                    text = formula_field(value)
                elif kind == "date" or (kind == "shown" and not isinstance(value, float)):
                    text = quoted(shown_at(row, column))
                elif isinstance(value, float):
                    text = number_text(value)
                elif value is None or value == "":
                    text = ""
                else:
                    # The entered form, which keeps TABs, has an apostrophe
                    # before a text that would read as a number.
                    typed = row_entered[column]
                    if typed.startswith("'") and len(typed) == len(value) + 1:
                        typed = typed[1:]
                    text = quoted(typed)
                encoded, lost = windows_1252(text)
                if lost:
                    replaced.append(column_letters(column) + str(row + 1))
                fields.append(encoded)
            while fields and not fields[-1]:
                fields.pop()
            lines.append(b"\t".join(fields) + b"\r\n")
        while lines and lines[-1] == b"\r\n":
            lines.pop()
        path = os.path.join(folder, "export.txt")
        with open(path, "wb") as out:
            out.writelines(lines)
        return [path] + replaced

    def do_keepformulas(self, key, *homonyms):
        # The formulas of a workbook opened from text that LibreOffice cannot
        # read, or that call a calculator function named like one of its own
        # (the homonyms, as the calculator spells them), become texts of the
        # formula as the text held it, with a note that tells them from
        # other texts. Each formula with an error is tried alone in an empty
        # scratch worksheet, so that an error it only takes from the cells
        # it refers to does not count. Replies with the cells changed.
        if key not in self.texts:
            return []
        path, separator, encoding = self.texts[key]
        with open(path, encoding=encoding, errors="replace", newline="") as source:
            whole = source.read()
        sheet = self.sheet(key, 0)
        homonyms = [h for h in homonyms if h in whole]
        with_errors = list(cells_of(sheet.queryFormulaCells(ERROR_RESULT)))
        if not homonyms and not with_errors:
            return []
        rows = list(csv.reader(io.StringIO(whole), delimiter=separator, quotechar='"'))

        def field(row, column):
            line = rows[row] if row < len(rows) else []
            return line[column] if column < len(line) else ""

        unreadable = []
        if homonyms:
            call = re.compile(r'(?<![A-Za-z0-9_.])(%s)' % "|".join(re.escape(h) for h in homonyms))
            for row, column in cells_of(sheet.queryContentCells(FORMULA_CELLS)):
                # Outside string literals: those are the even pieces.
                if any(call.search(piece) for piece in field(row, column).split('"')[::2]):
                    unreadable.append((row, column))
        with_errors = [a for a in with_errors if a not in unreadable]
        if with_errors:
            self.find_unreadable(with_errors, sheet, unreadable)
        kept = []
        for row, column in sorted(unreadable):
            text = field(row, column)
            if not text.startswith("="):
                continue
            cell = sheet.getCellByPosition(column, row)
            cell.setString(text)
            sheet.Annotations.insertNew(cell.CellAddress, KEPT_FORMULA_NOTE)
            kept.append(column_letters(column) + str(row + 1))
        return kept

    def find_unreadable(self, with_errors, sheet, unreadable):
        scratch = self.desktop.loadComponentFromURL("private:factory/scalc", "_blank", 0, (prop("Hidden", True),))
        try:
            tried = scratch.Sheets.getByIndex(0)
            for row, column in with_errors:
                cell = tried.getCellByPosition(column, row)
                cell.setFormula(sheet.getCellByPosition(column, row).getFormula())
                if cell.getError() in UNREADABLE:
                    unreadable.append((row, column))
                cell.setString("")
        finally:
            scratch.close(True)

    def do_savedelimited(self, key, folder, index, separator, code_page):
        options = EXPORT_OPTIONS % (int(separator), CHARSETS.get(code_page, UTF_8), "false", int(index) + 1)
        return [self.store_alone(key, folder, "export.csv", options)]

    def do_saveworkbook(self, key, path, filter_name, password=""):
        props = [prop("FilterName", filter_name)]
        if password:
            props.append(prop("Password", password))
        self.document(key).storeToURL(url(path), tuple(props))
        return []

    def do_close(self, key):
        self.texts.pop(key, None)
        document = self.documents.pop(key, None)
        if document is not None:
            document.close(True)
        return []

    def do_quit(self):
        for key in list(self.documents):
            try:
                self.do_close(key)
            except Exception:
                pass
        try:
            self.desktop.terminate()
        except Exception:  # the bridge goes down with the office
            pass
        return []


def connect(pipe, seconds):
    local = uno.getComponentContext()
    resolver = local.ServiceManager.createInstanceWithContext(
        "com.sun.star.bridge.UnoUrlResolver", local)
    deadline = time.monotonic() + seconds
    while True:
        try:
            context = resolver.resolve("uno:pipe,name=%s;urp;StarOffice.ComponentContext" % pipe)
            return context.ServiceManager.createInstanceWithContext(
                "com.sun.star.frame.Desktop", context)
        except Exception:
            if time.monotonic() > deadline:
                raise
            time.sleep(0.05)


def error_text(error):
    return getattr(error, "Message", "") or str(error)


def message(error):
    return "%s: %s" % (type(error).__name__, error_text(error))


def office_gone(error):
    # A disposed bridge means the office itself is gone: a DisposedException,
    # or a RuntimeException when the bridge goes in the middle of a call.
    name = type(error).__name__
    return name.endswith("DisposedException") or (name == "RuntimeException" and "bridge disposed" in error_text(error))


def main():
    try:
        helper = Helper(connect(sys.argv[1], float(sys.argv[2])))
    except Exception as error:
        reply("err", "cannot reach LibreOffice: " + message(error))
        return 2
    reply("ready")
    for raw in sys.stdin.buffer:
        fields = decode(raw.decode("utf-8", "replace").rstrip("\n"))
        command = getattr(helper, "do_" + fields[0], None)
        try:
            if command is None:
                raise ValueError("unknown request %s" % fields[0])
            reply("ok", *command(*fields[1:]))
        except Exception as error:
            if office_gone(error):
                reply("gone", message(error))
                return 3
            reply("err", message(error))
        if fields[0] == "quit":
            return 0
    return 0


if __name__ == "__main__":
    sys.exit(main())
)PY";

}  // namespace

std::string_view LibreOfficeHelperScript() { return SCRIPT; }

}  // namespace gridlet
