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
import hashlib
import os
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


try:
    import uno
    from com.sun.star.beans import PropertyValue
except Exception as error:  # no Python-UNO bridge
    reply("err", "python-uno unavailable: %s" % error)
    sys.exit(2)

CSV_FILTER = "Text - txt - csv (StarCalc)"
# Import: TAB, quote, Windows-1252, from line 1, standard columns, English
# (United States) numbers, quoted fields not forced to text, no detection of
# dates and other special numbers.
CSV_IMPORT = "9,34,1,1,,1033,false,false"
WINDOWS_1252 = 1
EMPTY, VALUE, TEXT, FORMULA = "EMPTY", "VALUE", "TEXT", "FORMULA"


def prop(name, value):
    p = PropertyValue()
    p.Name = name
    p.Value = value
    return p


def url(path):
    return uno.systemPathToFileUrl(os.path.abspath(path))


class Helper:
    def __init__(self, desktop):
        self.desktop = desktop
        self.documents = {}

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

    def do_open(self, key, path, kind, read_only, update):
        # Hidden, no macros run, links updated without asking when asked.
        props = [prop("Hidden", True), prop("MacroExecutionMode", 0),
                 prop("UpdateDocMode", 0 if update == "0" else 2),
                 prop("ReadOnly", read_only == "1")]
        if kind == "text":
            props += [prop("FilterName", CSV_FILTER), prop("FilterOptions", CSV_IMPORT)]
        document = self.desktop.loadComponentFromURL(url(path), "_blank", 0, tuple(props))
        if document is None or not hasattr(document, "Sheets"):
            if document is not None:
                document.close(True)
            raise IOError("not a workbook: %s" % os.path.basename(path))
        self.documents[key] = document
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

    def do_savetext(self, key, folder, index, formulas):
        # Export options: TAB, quote, Windows-1252, values as shown, formulas
        # as their text when asked, the one sheet given (1-based). The
        # filter names its file after the sheet, so it goes alone into an
        # empty folder.
        options = "9,34,%d,1,,1033,false,false,true,%s,false,%d" % (
            WINDOWS_1252, "true" if formulas == "1" else "false", int(index) + 1)
        self.sheet(key, index)
        before = set(os.listdir(folder))
        self.document(key).storeToURL(url(os.path.join(folder, "export.txt")),
                                      (prop("FilterName", CSV_FILTER), prop("FilterOptions", options)))
        made = sorted(set(os.listdir(folder)) - before)
        if len(made) != 1:
            raise IOError("the text export wrote %d files" % len(made))
        return [os.path.join(folder, made[0])]

    def do_saveworkbook(self, key, path, filter_name):
        self.document(key).storeToURL(url(path), (prop("FilterName", filter_name),))
        return []

    def do_close(self, key):
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


def instance_pipe(profile_url):
    # The name under which soffice guards its profile against a second
    # instance: the MD5 of the profile's URL in UTF-16, byte by byte in hex.
    digest = hashlib.md5(profile_url.encode("utf-16-le")).digest()
    return "SingleOfficeIPC_" + "".join("%x" % b for b in digest)


def message(error):
    text = getattr(error, "Message", "") or str(error)
    return "%s: %s" % (type(error).__name__, text)


def main():
    try:
        helper = Helper(connect(sys.argv[1], float(sys.argv[2])))
    except Exception as error:
        reply("err", "cannot reach LibreOffice: " + message(error))
        return 2
    reply("ready", instance_pipe(sys.argv[3]))
    for raw in sys.stdin.buffer:
        fields = decode(raw.decode("utf-8", "replace").rstrip("\n"))
        command = getattr(helper, "do_" + fields[0], None)
        try:
            if command is None:
                raise ValueError("unknown request %s" % fields[0])
            reply("ok", *command(*fields[1:]))
        except Exception as error:
            # A disposed bridge means the office itself is gone.
            if type(error).__name__.endswith("DisposedException"):
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
