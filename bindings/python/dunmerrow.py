"""Owner statements from Python: the C interface of libdunmerrow through ctypes.

The module is installed beside the library, in LIBDIR/dunmerrow/, and loads
the library of its own folder (DUNMERROW_LIBRARY names another).  Put that
folder on the import path to use it:

    PYTHONPATH=PREFIX/lib/dunmerrow python3 host.py

    import datetime, dunmerrow
    dunmerrow.set_database("demo/property.mdb")
    report = dunmerrow.Report()
    print(report.balance_owing("T000001"))            # Decimal('5400.0000')
    for line in report.get_journals("MARTIN0001", datetime.date(2026, 11, 1),
                                    datetime.date(2026, 11, 30)):
        print(line["date"], line["property"], line["debit"])

Amounts are Decimal (exact, four places), dates datetime.date (a
datetime.datetime when the value has a time of day).  Every failure raises
DunmerrowError with the library's error number and description.  A Report,
and the journal it opens, belong to the thread that created them.
"""

import ctypes
import datetime
import decimal
import glob
import os

__all__ = [
    "DunmerrowError", "Report", "set_output", "set_database", "set_setting", "set_locale",
    "set_trace", "set_printer", "set_resend", "set_run_register", "set_journal_export",
    "set_message_callback", "DESTINATION_NONE", "DESTINATION_PREVIEW", "DESTINATION_PRINTER",
    "DESTINATION_EMAIL", "DESTINATION_OUTBOX", "DESTINATION_EMAIL_AND_OUTBOX", "Journal",
    "E_INVALID_ARGUMENT", "E_NO_OBJECT", "E_NULL_VALUE", "E_DEFINITION_NOT_FOUND",
    "E_RUN_FAILED", "E_NOT_FOUND", "E_DATA", "E_NO_CURRENT_ROW",
]

DESTINATION_NONE = -1
DESTINATION_PREVIEW = 0
DESTINATION_PRINTER = 2
DESTINATION_EMAIL = 6
DESTINATION_OUTBOX = 7
DESTINATION_EMAIL_AND_OUTBOX = 8

# Error numbers of the interface (DunmerrowError.number); others are the
# component's own.
E_INVALID_ARGUMENT = 5
E_NO_OBJECT = 91
E_NULL_VALUE = 94
E_DEFINITION_NOT_FOUND = 53
E_RUN_FAILED = 1002
E_NOT_FOUND = 1004
E_DATA = 1005
E_NO_CURRENT_ROW = 3021



class DunmerrowError(Exception):
    """A call of the library failed: `number` says which kind, `description` what and where."""

    def __init__(self, number, description):
        super().__init__(number, description)
        self.number = number
        self.description = description

    def __str__(self):
        return "error %d: %s" % (self.number, self.description)


class _Date(ctypes.Structure):
    _fields_ = [("year", ctypes.c_int), ("month", ctypes.c_int), ("day", ctypes.c_int)]


class _Statement(ctypes.Structure):
    _fields_ = [("owner_code", ctypes.c_char_p), ("owner_name", ctypes.c_char_p),
                ("email", ctypes.c_char_p), ("period_from", _Date), ("period_to", _Date),
                ("first_page", ctypes.c_int), ("pages", ctypes.c_int),
                ("income", ctypes.c_int64), ("expense", ctypes.c_int64), ("tax", ctypes.c_int64),
                ("fees", ctypes.c_int64), ("disbursed", ctypes.c_int64),
                ("destination", ctypes.c_int), ("state", ctypes.c_int),
                ("document", ctypes.c_char_p), ("reason", ctypes.c_char_p)]


def _find_library():
    named = os.environ.get("DUNMERROW_LIBRARY")
    if named:
        return named
    here = os.path.dirname(os.path.abspath(__file__))
    found = sorted(glob.glob(os.path.join(here, "libdunmerrow.so*")))
    return found[0] if found else "libdunmerrow.so.0"


_lib = ctypes.CDLL(_find_library())
_P = ctypes.c_void_p
_S = ctypes.c_char_p
_OUT_TEXT = ctypes.POINTER(ctypes.c_void_p)
_INT = ctypes.POINTER(ctypes.c_int)
_MESSAGE = ctypes.CFUNCTYPE(None, ctypes.c_char_p, ctypes.c_char_p, ctypes.c_void_p)

_SIGNATURES = {
    "dunmerrow_set_output": [_S, ctypes.c_int],
    "dunmerrow_set_database": [_S],
    "dunmerrow_set_setting": [_S, _S, _S],
    "dunmerrow_set_locale": [_S],
    "dunmerrow_set_trace": [_S],
    "dunmerrow_set_printer": [_S],
    "dunmerrow_set_resend": [ctypes.c_int],
    "dunmerrow_set_run_register": [ctypes.c_int],
    "dunmerrow_set_journal_export": [ctypes.c_int],
    "dunmerrow_set_message_callback": [_MESSAGE, _P],
    "dunmerrow_report_create": [ctypes.POINTER(_P)],
    "dunmerrow_report_destroy": [_P],
    "dunmerrow_report_set_text": [_P, _S, _S],
    "dunmerrow_report_set_bool": [_P, _S, ctypes.c_int],
    "dunmerrow_report_set_number": [_P, _S, ctypes.c_double],
    "dunmerrow_report_set_date": [_P, _S, ctypes.c_int, ctypes.c_int, ctypes.c_int],
    "dunmerrow_report_use_parameter": [_P, _S, _INT],
    "dunmerrow_report_print": [_P, _S],
    "dunmerrow_report_press_print_button": [_P],
    "dunmerrow_report_statement_count": [_P, _INT],
    "dunmerrow_report_statement": [_P, ctypes.c_int, ctypes.POINTER(_Statement)],
    "dunmerrow_report_register_path": [_P, _OUT_TEXT],
    "dunmerrow_report_journal_export_path": [_P, _OUT_TEXT],
    "dunmerrow_report_logo_filename": [_P, _OUT_TEXT],
    "dunmerrow_report_number_format": [_P, _OUT_TEXT],
    "dunmerrow_report_frequency_description": [_P, ctypes.c_int16, _S, _OUT_TEXT],
    "dunmerrow_report_cache_accounts": [_P],
    "dunmerrow_report_gl_description": [_P, _S, ctypes.c_int16, _OUT_TEXT],
    "dunmerrow_report_balance_owing": [_P, _S, ctypes.POINTER(ctypes.c_int64)],
    "dunmerrow_report_paid_to_date": [_P, _S, ctypes.POINTER(_Date)],
    "dunmerrow_report_print_memo_field": [_P, _S, _S, _S],
    "dunmerrow_report_get_company_name": [_P],
    "dunmerrow_report_print_owner_property_list": [_P, _S],
    "dunmerrow_report_journal_open": [_P, _S, _Date, _Date, ctypes.POINTER(_P)],
    "dunmerrow_rows_next": [_P, _INT],
    "dunmerrow_rows_column_count": [_P, _INT],
    "dunmerrow_rows_column_name": [_P, ctypes.c_int, _OUT_TEXT],
    "dunmerrow_rows_text": [_P, ctypes.c_int, _OUT_TEXT, _INT],
    "dunmerrow_rows_currency": [_P, ctypes.c_int, ctypes.POINTER(ctypes.c_int64), _INT],
    "dunmerrow_rows_date": [_P, ctypes.c_int, ctypes.POINTER(_Date), _INT, _INT],
    "dunmerrow_rows_boolean": [_P, ctypes.c_int, _INT, _INT],
    "dunmerrow_rows_close": [_P],
}
for _name, _args in _SIGNATURES.items():
    _function = getattr(_lib, _name)
    _function.argtypes = _args
    _function.restype = ctypes.c_int
_lib.dunmerrow_last_error_description.restype = ctypes.c_char_p
_lib.dunmerrow_last_error_description.argtypes = []
_lib.dunmerrow_free.restype = None
_lib.dunmerrow_free.argtypes = [_P]


def _money(ten_thousandths):
    """Exact, with its four places: 54000000 is Decimal('5400.0000')."""
    return decimal.Decimal(ten_thousandths).scaleb(-4)


def _text(value):
    return None if value is None else str(value).encode("utf-8")


def _check(result):
    if result != 0:
        description = _lib.dunmerrow_last_error_description() or b""
        raise DunmerrowError(result, description.decode("utf-8", "replace"))


def _call(name, *args):
    _check(getattr(_lib, name)(*args))


def _take_text(name, *args):
    """Calls `name` with a char** last and returns the text it gave (None for NULL)."""
    out = ctypes.c_void_p()
    _call(name, *args, ctypes.byref(out))
    if not out.value:
        return None
    try:
        return ctypes.string_at(out.value).decode("utf-8")
    finally:
        _lib.dunmerrow_free(out)


def _c_date(value):
    return _Date(value.year, value.month, value.day)


def _py_date(date, seconds=0):
    day = datetime.date(date.year, date.month, date.day)
    if not seconds:
        return day
    return datetime.datetime.combine(day, datetime.time()) + datetime.timedelta(seconds=seconds)


def set_output(folder=None, destination=DESTINATION_PREVIEW):
    _call("dunmerrow_set_output", _text(folder), destination)


def set_database(path):
    _call("dunmerrow_set_database", _text(path))


def set_setting(section, key, value):
    _call("dunmerrow_set_setting", _text(section), _text(key), _text(value))


def set_locale(name):
    _call("dunmerrow_set_locale", _text(name))


def set_trace(path):
    _call("dunmerrow_set_trace", _text(path))


def set_printer(name):
    _call("dunmerrow_set_printer", _text(name))


def set_resend(resend):
    _call("dunmerrow_set_resend", 1 if resend else 0)


def set_run_register(write):
    _call("dunmerrow_set_run_register", 1 if write else 0)


def set_journal_export(write):
    _call("dunmerrow_set_journal_export", 1 if write else 0)


_message_callback = None  # kept alive while the library may call it


def set_message_callback(show):
    """Makes show(text, title) the way messages reach the user; None restores stderr."""
    global _message_callback
    if show is None:
        callback = ctypes.cast(None, _MESSAGE)
    else:
        def callback(text, title, _data):
            show(text.decode("utf-8", "replace"), title.decode("utf-8", "replace"))
        callback = _MESSAGE(callback)
    _call("dunmerrow_set_message_callback", callback, None)
    _message_callback = callback


class Report:
    """One report object: its parameters, its runs and the report's building blocks."""

    def __init__(self):
        handle = ctypes.c_void_p()
        _call("dunmerrow_report_create", ctypes.byref(handle))
        self._handle = handle

    def close(self):
        if self._handle:
            handle, self._handle = self._handle, None
            _call("dunmerrow_report_destroy", handle)

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()

    def __del__(self):
        try:
            self.close()
        except Exception:  # pylint: disable=broad-except
            pass

    # The parameters and the run.

    def set_param(self, name, value):
        """Stores a parameter: a bool, a number, a datetime.date or a text."""
        if isinstance(value, bool):
            _call("dunmerrow_report_set_bool", self._handle, _text(name), int(value))
        elif isinstance(value, (int, float, decimal.Decimal)):
            _call("dunmerrow_report_set_number", self._handle, _text(name), float(value))
        elif isinstance(value, datetime.date):
            _call("dunmerrow_report_set_date", self._handle, _text(name), value.year,
                  value.month, value.day)
        else:
            _call("dunmerrow_report_set_text", self._handle, _text(name), _text(value))

    def use_parameter(self, name):
        wanted = ctypes.c_int()
        _call("dunmerrow_report_use_parameter", self._handle, _text(name), ctypes.byref(wanted))
        return bool(wanted.value)

    def print_report(self, definition="OwnerStatement"):
        _call("dunmerrow_report_print", self._handle, _text(definition))

    def press_print_button(self):
        _call("dunmerrow_report_press_print_button", self._handle)

    def statements(self):
        """What became of each owner statement of the last run, one dict each, in run order."""
        count = ctypes.c_int()
        _call("dunmerrow_report_statement_count", self._handle, ctypes.byref(count))
        result = []
        for i in range(count.value):
            s = _Statement()
            _call("dunmerrow_report_statement", self._handle, i, ctypes.byref(s))
            entry = {}
            for name, kind in _Statement._fields_:
                value = getattr(s, name)
                if kind is ctypes.c_char_p:
                    value = value.decode("utf-8", "replace")
                elif kind is _Date:
                    value = _py_date(value) if value.year else None
                elif kind is ctypes.c_int64:
                    value = _money(value)
                entry[name] = value
            result.append(entry)
        return result

    def register_path(self):
        return _take_text("dunmerrow_report_register_path", self._handle)

    def journal_export_path(self):
        return _take_text("dunmerrow_report_journal_export_path", self._handle)

    # The building blocks.

    def report_logo_filename(self):
        return _take_text("dunmerrow_report_logo_filename", self._handle)

    def number_format_with_comma(self):
        return _take_text("dunmerrow_report_number_format", self._handle)

    def frequency_description(self, number, every):
        return _take_text("dunmerrow_report_frequency_description", self._handle, number,
                          _text(every))

    def cache_accounts(self):
        _call("dunmerrow_report_cache_accounts", self._handle)

    def gl_description(self, code, account_type):
        return _take_text("dunmerrow_report_gl_description", self._handle, _text(code),
                          account_type)

    def balance_owing(self, tenant):
        amount = ctypes.c_int64()
        _call("dunmerrow_report_balance_owing", self._handle, _text(tenant), ctypes.byref(amount))
        return _money(amount.value)

    def paid_to_date(self, tenant):
        date = _Date()
        _call("dunmerrow_report_paid_to_date", self._handle, _text(tenant), ctypes.byref(date))
        return _py_date(date)

    def print_memo_field(self, memo, section, field):
        _call("dunmerrow_report_print_memo_field", self._handle, _text(memo), _text(section),
              _text(field))

    def get_company_name(self):
        _call("dunmerrow_report_get_company_name", self._handle)

    def print_owner_property_list(self, owner):
        _call("dunmerrow_report_print_owner_property_list", self._handle, _text(owner))

    def get_journals(self, owner, date_from, date_to):
        """The owner's journal of the period: an iterator of one dict per line."""
        rows = ctypes.c_void_p()
        _call("dunmerrow_report_journal_open", self._handle, _text(owner), _c_date(date_from),
              _c_date(date_to), ctypes.byref(rows))
        return Journal(rows)


# How the journal's columns read; any other column reads as text.
_JOURNAL_KINDS = {"date": "date", "debit": "currency", "credit": "currency", "tax": "currency",
                  "expense": "boolean"}


def _read_column(rows, index, kind):
    is_null = ctypes.c_int()
    null = ctypes.byref(is_null)
    if kind == "currency":
        amount = ctypes.c_int64()
        _call("dunmerrow_rows_currency", rows, index, ctypes.byref(amount), null)
        return None if is_null.value else _money(amount.value)
    if kind == "date":
        date, seconds = _Date(), ctypes.c_int()
        _call("dunmerrow_rows_date", rows, index, ctypes.byref(date), ctypes.byref(seconds), null)
        return None if is_null.value else _py_date(date, seconds.value)
    if kind == "boolean":
        flag = ctypes.c_int()
        _call("dunmerrow_rows_boolean", rows, index, ctypes.byref(flag), null)
        return None if is_null.value else bool(flag.value)
    text = ctypes.c_void_p()
    _call("dunmerrow_rows_text", rows, index, ctypes.byref(text), null)
    if is_null.value:
        return None
    try:
        return ctypes.string_at(text.value).decode("utf-8")
    finally:
        _lib.dunmerrow_free(text)


class Journal:
    """The lines of a journal, one dict each, column name to value; closes at its end."""

    def __init__(self, rows):
        self._rows = rows
        try:
            count = ctypes.c_int()
            _call("dunmerrow_rows_column_count", rows, ctypes.byref(count))
            self.columns = [_take_text("dunmerrow_rows_column_name", rows, i)
                            for i in range(count.value)]
        except DunmerrowError:
            self.close()
            raise
        self._kinds = [_JOURNAL_KINDS.get(name.lower(), "text") for name in self.columns]

    def __iter__(self):
        return self

    def __next__(self):
        if not self._rows:
            raise StopIteration
        has_row = ctypes.c_int()
        _call("dunmerrow_rows_next", self._rows, ctypes.byref(has_row))
        if not has_row.value:
            self.close()
            raise StopIteration
        return {name: _read_column(self._rows, i, kind)
                for i, (name, kind) in enumerate(zip(self.columns, self._kinds))}

    def close(self):
        if self._rows:
            rows, self._rows = self._rows, None
            _lib.dunmerrow_rows_close(rows)

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()

    def __del__(self):
        self.close()
