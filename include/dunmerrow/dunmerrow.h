/* The C interface for programs that embed the owner statements: create a
 * report object, give it its parameters, run it, and hear its messages. */
#ifndef DUNMERROW_DUNMERROW_H_
#define DUNMERROW_DUNMERROW_H_

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#if defined(__GNUC__)
#define DUNMERROW_API __attribute__((visibility("default")))
#else
#define DUNMERROW_API
#endif

/*
 * Conventions for every function below.
 *
 * Results.  Every function that can fail returns DUNMERROW_OK (0) on success
 * and otherwise an error number, which dunmerrow_last_error_number() then
 * also answers, with a description naming what was wrong and where.  The
 * numbers the interface itself gives are the DUNMERROW_E_ constants; any
 * other number is the component's own error number, passed on unchanged.
 * No C++ exception ever leaves this interface.
 *
 * Text.  Every text is UTF-8 and NUL-terminated.  Text passed in is copied
 * before the function returns; the caller keeps ownership of it.  The
 * component's operations (the report's building blocks and the journal
 * below) refuse a text that is not UTF-8 with DUNMERROW_E_INVALID_ARGUMENT,
 * naming the argument and the offset of its first bad byte.  Text returned
 * by the functions of the statements (dunmerrow_statement) belongs to the
 * library, for as long as each function says; every other text comes back
 * through a `char** out`, is the caller's, and is released with
 * dunmerrow_free.
 *
 * Out arguments.  A function that fails leaves its out arguments unchanged.
 *
 * Money and dates.  Amounts are int64_t ten-thousandths of the currency unit
 * (12.5 is 125000), exact.  Dates are dunmerrow_date (year, month, day),
 * with the seconds since midnight where a time of day matters.
 *
 * Threads.  A report run, and every other call, executes on the calling
 * thread from start to end, and every callback arrives on that thread
 * before the call returns.  Behind a run, the report engine paints pages
 * and encodes and writes documents on up to two worker threads of its own
 * (each statement is written before the run returns; no callback comes from
 * them); the setting Configure/Threads=1 keeps that work on the calling
 * thread too, with the same bytes.  (Printing starts the `lp` program and
 * waits for it; sending e-mail, libcurl may look up the server's name on a
 * short-lived thread of its own.)  A report object
 * and a journal cursor are used only from the thread that created them; a
 * call from another thread fails with DUNMERROW_E_WRONG_THREAD and changes
 * nothing.  The open database and the account cache belong to the calling
 * thread and are shared by its objects.  Objects of different threads are
 * independent, except for the process-wide settings below (output, run
 * options, database, trace, locale, settings, message callback), which every
 * thread shares; set them before starting runs.
 */

/* Error numbers the interface gives. */
#define DUNMERROW_OK 0
/* A NULL pointer, an empty name, a date that does not exist, a number that
 * is not finite, a destination that is not one of DUNMERROW_DESTINATION_, a
 * text that is not UTF-8, a column index out of range. */
#define DUNMERROW_E_INVALID_ARGUMENT 5
#define DUNMERROW_E_OUT_OF_MEMORY 7
/* A failure the library did not expect; the description says what. */
#define DUNMERROW_E_INTERNAL 51
/* The report definition NAME.rdn is not in the component's folder. */
#define DUNMERROW_E_DEFINITION_NOT_FOUND 53
/* Not a live report object or journal cursor: destroyed or closed already,
 * or never created.  Also: the print button pressed, or an operation that
 * prints on the report engine called, before any report was run. */
#define DUNMERROW_E_NO_OBJECT 91
/* A Null read from a journal column where the caller passed no `is_null`. */
#define DUNMERROW_E_NULL_VALUE 94
/* The report engine or the component could not be created. */
#define DUNMERROW_E_CANNOT_CREATE 429
/* A parameter of that name (in any letter case) is set already. */
#define DUNMERROW_E_DUPLICATE_PARAMETER 457
/* The object belongs to another thread. */
#define DUNMERROW_E_WRONG_THREAD 1001
/* The run stopped on a failure; its message was shown (the message callback
 * got it) and is the description. */
#define DUNMERROW_E_RUN_FAILED 1002
/* The object is in the middle of a run: a callback called back into it.
 * During a run only dunmerrow_report_use_parameter and
 * dunmerrow_report_set_print_button_callback may be called on it. */
#define DUNMERROW_E_BUSY 1003
/* No tenant, owner, account or journal column of that name. */
#define DUNMERROW_E_NOT_FOUND 1004
/* The data behind an operation could not be read: the database did not
 * open, or a query on it failed.  The failure was shown as a message (the
 * message callback got it; data-access failures also go to the host's error
 * log) and is the description. */
#define DUNMERROW_E_DATA 1005
/* A journal cursor read before its first row or after its last. */
#define DUNMERROW_E_NO_CURRENT_ROW 3021

/* Where the statements go. */
#define DUNMERROW_DESTINATION_NONE (-1) /* lay out and trace only, no files */
#define DUNMERROW_DESTINATION_PREVIEW 0 /* a PDF in the output folder */
#define DUNMERROW_DESTINATION_PRINTER 2 /* a PDF, also sent to the printer */
#define DUNMERROW_DESTINATION_EMAIL 6   /* one e-mail per owner, sent */
#define DUNMERROW_DESTINATION_OUTBOX 7  /* one e-mail per owner, kept in the outbox */
#define DUNMERROW_DESTINATION_EMAIL_AND_OUTBOX 8

/* One report object: its parameters and its last run. */
typedef struct dunmerrow_report dunmerrow_report;

/* Shows one message with an OK button; returns when the user has seen it.
 * `title` is never empty.  Both texts live until the callback returns.  The
 * callback is process-wide: when several threads run reports, it may be
 * called from several threads at once. */
typedef void (*dunmerrow_message_callback)(const char* text, const char* title, void* user_data);

/* Told that the print button was pressed on `report`'s preview, just before
 * the same report runs again to the printer.  The callback must not destroy
 * `report` (that call fails with DUNMERROW_E_BUSY). */
typedef void (*dunmerrow_print_button_callback)(dunmerrow_report* report, void* user_data);

/* ---- Errors ------------------------------------------------------------ */

/* The error number of the calling thread's last call of this interface;
 * DUNMERROW_OK when it succeeded. */
DUNMERROW_API int dunmerrow_last_error_number(void);

/* The description of that error; "" after a success.  The text belongs to
 * the library and lives until the calling thread's next call of this
 * interface. */
DUNMERROW_API const char* dunmerrow_last_error_description(void);

/* Releases a text that a `char** out` argument returned.  NULL is accepted
 * and does nothing. */
DUNMERROW_API void dunmerrow_free(void* text);

/* ---- Process-wide settings --------------------------------------------- */

/* The output folder (created when first needed; NULL or "" means
 * "statements" in the current folder) and the destination, one of
 * DUNMERROW_DESTINATION_, for every report run started afterwards.  The
 * default is "statements" and DUNMERROW_DESTINATION_PREVIEW.  A preview is
 * FOLDER/statements-DATE.pdf, DATE being the report's "DateTo". */
DUNMERROW_API int dunmerrow_set_output(const char* folder, int destination);

/* The printer for DUNMERROW_DESTINATION_PRINTER; NULL or "" goes back to
 * the host's setting Configure/Printer, and when that is empty too, the
 * system's default printer.  The mail server for the e-mail destinations
 * always comes from the host's settings (section "Mail"), read at each run. */
DUNMERROW_API int dunmerrow_set_printer(const char* printer);

/* Starts writing the trace (JSON Lines, one event per line) to `path`,
 * replacing what the file held; NULL or "" stops tracing.  Fails when the
 * file cannot be opened, naming it. */
DUNMERROW_API int dunmerrow_set_trace(const char* path);

/* The regional formats of dates and money, e.g. "en_AU"; NULL or "" takes
 * them from the environment (LC_ALL, LC_MESSAGES, LANG). */
DUNMERROW_API int dunmerrow_set_locale(const char* name);

/* Answers the host setting `key` of `section` ("Settings", "Configure",
 * "Mail") with `value` for the rest of the process, before the settings
 * files.  For example ("Settings", "apppath", DIR) names the host's folder,
 * and ("Settings", "Networkable", "1") with ("Settings", "DatabaseLocation",
 * PATH) the database file.  Sections and keys compare without regard to
 * letter case. */
DUNMERROW_API int dunmerrow_set_setting(const char* section, const char* key, const char* value);

/* Names the database file (SQLite, or a Jet .mdb) of every later run and
 * operation, as the command's --database does: a run first checks that it
 * opens and, when it does not, fails before anything is printed (with the
 * database engine's error number, the description naming the file); an
 * operation needing the database fails the same way.  NULL or "" forgets
 * the name: the settings find the database again.  It answers the settings
 * ("Settings", "Networkable") and ("Settings", "DatabaseLocation") while it
 * is set, replacing what dunmerrow_set_setting gave them.  The path is used
 * as given; this call opens nothing. */
DUNMERROW_API int dunmerrow_set_database(const char* path);

/* Run options, as the command's options; each for every run started
 * afterwards, in any thread.
 *
 * Resend (default 0, --resend): nonzero delivers again, to the e-mail
 * destinations, statements an earlier run of the date sent or queued with
 * the same content; 0 reports them as "already sent" or "already in the
 * outbox" instead.
 *
 * The run register (default 1, as the command always does): nonzero writes,
 * after every run that reached its owners, FOLDER/register-DATE.csv (one row
 * per statement with what became of it) and FOLDER/register-DATE.json (the
 * totals reconciled with the database) in the output folder, replacing
 * those of an earlier run of the date.  C API runs write them exactly as the
 * command does; dunmerrow_report_register_path says where.
 *
 * The journal export (default 0, --export-journal): nonzero also writes
 * FOLDER/journal-DATE.csv, every journal and disbursement line the run
 * printed; dunmerrow_report_journal_export_path says where.
 *
 * A register or export that cannot be written is the run's failure. */
DUNMERROW_API int dunmerrow_set_resend(int resend);
DUNMERROW_API int dunmerrow_set_run_register(int write);
DUNMERROW_API int dunmerrow_set_journal_export(int write);

/* Installs the callback that shows messages; NULL restores the default,
 * which writes "title: text" to standard error.  Either way, a message is
 * also written to the trace when one is open.  `user_data` is handed back
 * unchanged; the library does not own it. */
DUNMERROW_API int dunmerrow_set_message_callback(dunmerrow_message_callback callback,
                                                 void* user_data);

/* ---- Report objects ---------------------------------------------------- */

/* Creates a report object for the calling thread and stores it in `*report`
 * (left unchanged on failure).  The first call registers the engines.  The
 * caller owns the object and releases it with dunmerrow_report_destroy. */
DUNMERROW_API int dunmerrow_report_create(dunmerrow_report** report);

/* Releases `report`; it must not be used afterwards (a later call with it
 * fails with DUNMERROW_E_NO_OBJECT, unless a new object has since been
 * created at the same address).  NULL is accepted and does nothing. */
DUNMERROW_API int dunmerrow_report_destroy(dunmerrow_report* report);

/* Stores the parameter `name` with a text, a boolean (nonzero is true), a
 * number or a calendar date.  The report reads "DateTo" (the report date,
 * default today), "bNotes" and "bDetailed" (booleans, default false).  A
 * name already stored, in any letter case, fails with
 * DUNMERROW_E_DUPLICATE_PARAMETER and keeps the first value. */
DUNMERROW_API int dunmerrow_report_set_text(dunmerrow_report* report, const char* name,
                                            const char* value);
DUNMERROW_API int dunmerrow_report_set_bool(dunmerrow_report* report, const char* name, int value);
DUNMERROW_API int dunmerrow_report_set_number(dunmerrow_report* report, const char* name,
                                              double value);
DUNMERROW_API int dunmerrow_report_set_date(dunmerrow_report* report, const char* name, int year,
                                            int month, int day);

/* Stores in `*wanted` 1 when the report wants the parameter `name` offered
 * to the user ("bToEnabled", "bNotes", "bDetailed", letter case counting),
 * otherwise 0. */
DUNMERROW_API int dunmerrow_report_use_parameter(dunmerrow_report* report, const char* name,
                                                 int* wanted);

/* Runs the report `definition` (the file definition + ".rdn" in the
 * component's folder, the folder of the installed library) with the
 * object's parameters, to the output and destination set at this moment.
 * Messages go to the message callback as the run shows them.  Fails with
 * DUNMERROW_E_DEFINITION_NOT_FOUND when there is no such file (the name is
 * still remembered for the print button), DUNMERROW_E_RUN_FAILED when the
 * run stopped on a failure. */
DUNMERROW_API int dunmerrow_report_print(dunmerrow_report* report, const char* definition);

/* Installs the callback told of print-button presses on `report`; NULL
 * removes it.  `user_data` is handed back unchanged. */
DUNMERROW_API int dunmerrow_report_set_print_button_callback(
    dunmerrow_report* report, dunmerrow_print_button_callback callback, void* user_data);

/* Presses the print button of the last report `report` ran: the callback is
 * told, then the same report runs again to the printer
 * (DUNMERROW_DESTINATION_PRINTER; with DUNMERROW_DESTINATION_NONE set, it
 * still only lays out), with the same parameters.  Fails with
 * DUNMERROW_E_NO_OBJECT when no report has run yet, and with
 * DUNMERROW_E_RUN_FAILED as dunmerrow_report_print does. */
DUNMERROW_API int dunmerrow_report_press_print_button(dunmerrow_report* report);

/* ---- What a run did --------------------------------------------------- */

/* What became of a statement (dunmerrow_statement.state). */
#define DUNMERROW_STATE_NONE 0      /* not delivered: the run stopped before its document */
#define DUNMERROW_STATE_PREVIEWED 1 /* in the preview (only laid out with DESTINATION_NONE) */
#define DUNMERROW_STATE_PRINTED 2   /* handed to the printer */
#define DUNMERROW_STATE_WRITTEN 3   /* written to the outbox, to be sent later */
#define DUNMERROW_STATE_SENT 4      /* accepted by the mail server */
#define DUNMERROW_STATE_WAITING 5   /* kept in the outbox; `reason` says why */
#define DUNMERROW_STATE_FAILED 6    /* the run stopped in it; `reason` is the failure */

/* A calendar date; all three 0 for no date. */
typedef struct dunmerrow_date {
  int year;
  int month;
  int day;
} dunmerrow_date;

/* One owner statement of the last run, in run order.  Amounts are exact
 * ten-thousandths of the currency unit (12.5 is 125000).  The texts belong
 * to the report object and live until its next run (print or print button)
 * or its destruction; copy what you keep longer. */
typedef struct dunmerrow_statement {
  const char* owner_code;
  const char* owner_name;
  const char* email;        /* the owner's address as the database holds it */
  dunmerrow_date period_from;
  dunmerrow_date period_to;
  int first_page;           /* within its document, from 1; 0 when nothing printed */
  int pages;
  int64_t income;           /* the journal's totals */
  int64_t expense;
  int64_t tax;
  int64_t fees;             /* the disbursement footer's totals */
  int64_t disbursed;
  int destination;          /* one of DUNMERROW_DESTINATION_ */
  int state;                /* one of DUNMERROW_STATE_ */
  const char* document;     /* the file written, "" when none */
  const char* reason;       /* why it waits or failed, "" otherwise */
} dunmerrow_statement;

/* Stores in `*number` the error number of the failure that stopped the last
 * run of `report` (0 when it completed, or when nothing has run yet) and in
 * `*description` its description ("" when none), which lives as the
 * statements' texts do.  `description` may be NULL. */
DUNMERROW_API int dunmerrow_report_run_failure(dunmerrow_report* report, int* number,
                                               const char** description);

/* Stores in `*count` how many owner statements the last run reached: those
 * delivered, and the one it stopped in.  0 before any run. */
DUNMERROW_API int dunmerrow_report_statement_count(dunmerrow_report* report, int* count);

/* Fills `*statement` with the statement `index` (0 to count - 1) of the
 * last run.  An index out of range fails with DUNMERROW_E_INVALID_ARGUMENT
 * and leaves `*statement` unchanged. */
DUNMERROW_API int dunmerrow_report_statement(dunmerrow_report* report, int index,
                                             dunmerrow_statement* statement);

/* Stores in `*path` the register's CSV file the last run of `report` wrote
 * (its .json beside it), or "" when it wrote none: before any run, with the
 * register turned off, or when the run stopped before its owners.  The
 * caller frees the text with dunmerrow_free. */
DUNMERROW_API int dunmerrow_report_register_path(dunmerrow_report* report, char** path);

/* The same for the journal export of the last run; "" when none was asked
 * for or written. */
DUNMERROW_API int dunmerrow_report_journal_export_path(dunmerrow_report* report, char** path);

/* ---- The report's building blocks --------------------------------------- *
 *
 * The component's own operations, which a run uses and a host may call
 * directly, for instance to show a tenant's balance beside the statements.
 * Each works on the object's thread and fails with DUNMERROW_E_BUSY from a
 * callback during a run.
 *
 * Operations that read data open the database as a run does (the settings,
 * dunmerrow_set_setting, dunmerrow_set_database) when the calling thread has
 * none open yet, or when what finds it has changed since; otherwise they use
 * the one the last run or call opened.  A data-access failure during the
 * call fails it with DUNMERROW_E_DATA, after its message was shown.
 *
 * Operations that print act on the report engine object of the last run of
 * `report` (dunmerrow_report_print), and fail with DUNMERROW_E_NO_OBJECT
 * before there is one.  What they print goes onto that engine's current
 * document, which the trace shows as it does a run's sections; that
 * document is never delivered (the next run of the object starts afresh). */

/* Stores in `*path` the logo picture's path: the setting
 * ("Configure", "ReportLogo") when it names an existing file, else
 * reportlogo.bmp in the component's folder.  Free it with dunmerrow_free. */
DUNMERROW_API int dunmerrow_report_logo_filename(dunmerrow_report* report, char** path);

/* Stores in `*format` the number format of the statements' amounts, "0.00"
 * (two decimals, no thousands separator).  Free it with dunmerrow_free. */
DUNMERROW_API int dunmerrow_report_number_format(dunmerrow_report* report, char** format);

/* Stores in `*text` the rent frequency as the property list prints it after
 * the rent: " per week" for (1, "week"), " per 2 weeks" for (2, "week").
 * Free it with dunmerrow_free. */
DUNMERROW_API int dunmerrow_report_frequency_description(dunmerrow_report* report,
                                                         int16_t number, const char* every,
                                                         char** text);

/* Reloads the calling thread's account cache from the table glcodes, as
 * every run does.  A glcodes that cannot be read fails with
 * DUNMERROW_E_DATA, the cache holding what could be loaded. */
DUNMERROW_API int dunmerrow_report_cache_accounts(dunmerrow_report* report);

/* Stores in `*description` the name of the account `code` of `type` (1
 * income, 2 expense), as the journal prints it; the code compares exactly.
 * Loads the account cache first when the thread has none, or when the
 * database was opened afresh.  An account not in the cache with that code
 * and type fails with DUNMERROW_E_NOT_FOUND.  Free it with dunmerrow_free. */
DUNMERROW_API int dunmerrow_report_gl_description(dunmerrow_report* report, const char* code,
                                                  int16_t type, char** description);

/* Stores in `*amount` what the tenant `tenant` (a tenancy's reference)
 * owes as of today, as the property list prints it in detailed mode:
 * negative for a credit, 0 for a tenancy without rent periods.  A tenant
 * the table tenancy does not hold fails with DUNMERROW_E_NOT_FOUND; a rent
 * period that cannot be read fails with the component's error number, the
 * description naming the tenant and the value. */
DUNMERROW_API int dunmerrow_report_balance_owing(dunmerrow_report* report, const char* tenant,
                                                 int64_t* amount);

/* Stores in `*date` the date to which the tenant's rent is paid as of
 * today, as the property list prints it after the balance: 1899-12-30 (the
 * zero date, which the statement prints too) for a tenancy without rent
 * periods.  Unknown tenants fail as dunmerrow_report_balance_owing does. */
DUNMERROW_API int dunmerrow_report_paid_to_date(dunmerrow_report* report, const char* tenant,
                                                dunmerrow_date* date);

/* Prints `memo` through the field `field` of the section `section`, as many
 * copies of the section as the text needs, the engine deciding what fits
 * each time; an empty memo prints nothing.  A section or field the
 * definition lacks fails with the engine's error number, naming it. */
DUNMERROW_API int dunmerrow_report_print_memo_field(dunmerrow_report* report, const char* memo,
                                                    const char* section, const char* field);

/* Inserts the company's name and address lines that the table options asks
 * for into the "Header" section, moving the rest of it down, as every run
 * does once.  Each call inserts them again.  Steps that fail are passed
 * over, as in a run; an options table that cannot be read fails with
 * DUNMERROW_E_DATA. */
DUNMERROW_API int dunmerrow_report_get_company_name(dunmerrow_report* report);

/* Prints the owner's unsold properties with their open tenancies and rents
 * through the section "property", and in detailed mode (the object's
 * parameter "bDetailed") each tenancy's balance owing and paid-to date, as
 * the statement does.  An owner the table owner does not hold fails with
 * DUNMERROW_E_NOT_FOUND. */
DUNMERROW_API int dunmerrow_report_print_owner_property_list(dunmerrow_report* report,
                                                             const char* owner);

/* ---- The journal -------------------------------------------------------- */

/* A forward-only cursor over the rows of one query. */
typedef struct dunmerrow_rows dunmerrow_rows;

/* Opens the owner's journal of the period `from` to `to` (both included):
 * one row per expense and revenue of the owner's properties, ordered by
 * property, then date, in the columns of the statements' journal query:
 *   0 tenant_code    text ("" for an expense)
 *   1 date           date, with its time of day
 *   2 debit          currency
 *   3 credit         currency (the same amount as debit)
 *   4 debitaccount   text: the expense account, or the revenue's counter account
 *   5 creditaccount  text: the expense's counter account, or the income account
 *   6 description    text
 *   7 reference      text
 *   8 payee          text ("" for a revenue)
 *   9 property       text: the property code
 *  10 expense        boolean: 1 for an expense, 0 for a revenue
 *  11 tax            currency
 * Every row is there, also those on accounts the statement leaves out.  The
 * cursor stands before its first row; dunmerrow_rows_next moves to it.
 * Stores the cursor in `*rows`; the caller closes it with
 * dunmerrow_rows_close.  It stays usable after `report` is destroyed and
 * after later runs, on the thread that opened it.  An owner the table owner
 * does not hold fails with DUNMERROW_E_NOT_FOUND; a date that does not exist
 * with DUNMERROW_E_INVALID_ARGUMENT. */
DUNMERROW_API int dunmerrow_report_journal_open(dunmerrow_report* report, const char* owner,
                                                dunmerrow_date from, dunmerrow_date to,
                                                dunmerrow_rows** rows);

/* Moves to the next row (the first, on the first call) and stores in
 * `*has_row` 1 when there is one, 0 at the end; later calls keep answering
 * 0.  A row that cannot be read fails with the database engine's number. */
DUNMERROW_API int dunmerrow_rows_next(dunmerrow_rows* rows, int* has_row);

/* The number of columns, and the name of the column `index` (0 to count -
 * 1; free it with dunmerrow_free). */
DUNMERROW_API int dunmerrow_rows_column_count(dunmerrow_rows* rows, int* count);
DUNMERROW_API int dunmerrow_rows_column_name(dunmerrow_rows* rows, int index, char** name);

/* The current row's value of the column `index`, or of the column `name`
 * (letter case not counting), converted as the component converts:
 *   text     the value's text form (dates in the regional short form, with
 *            the time when there is one; booleans "True" and "False"); free
 *            it with dunmerrow_free;
 *   currency ten-thousandths;
 *   date     year, month, day, and in `*seconds` (may be NULL) the time of
 *            day in seconds since midnight;
 *   boolean  1 or 0.
 * A Null stores 1 in `*is_null`, and NULL, 0, {0, 0, 0} or 0 in the value;
 * any other value stores 0 there.  `is_null` may be NULL when the caller
 * expects no Null: a Null then fails with DUNMERROW_E_NULL_VALUE.  An empty
 * text is "", never a Null.  A value that does not convert fails with the
 * component's error number (13 "Type mismatch", 6 "Overflow"), naming the
 * column.  Before the first row or after the last:
 * DUNMERROW_E_NO_CURRENT_ROW.  An unknown name: DUNMERROW_E_NOT_FOUND. */
DUNMERROW_API int dunmerrow_rows_text(dunmerrow_rows* rows, int index, char** text,
                                      int* is_null);
DUNMERROW_API int dunmerrow_rows_currency(dunmerrow_rows* rows, int index, int64_t* amount,
                                          int* is_null);
DUNMERROW_API int dunmerrow_rows_date(dunmerrow_rows* rows, int index, dunmerrow_date* date,
                                      int* seconds, int* is_null);
DUNMERROW_API int dunmerrow_rows_boolean(dunmerrow_rows* rows, int index, int* value,
                                         int* is_null);
DUNMERROW_API int dunmerrow_rows_text_by_name(dunmerrow_rows* rows, const char* name, char** text,
                                              int* is_null);
DUNMERROW_API int dunmerrow_rows_currency_by_name(dunmerrow_rows* rows, const char* name,
                                                  int64_t* amount, int* is_null);
DUNMERROW_API int dunmerrow_rows_date_by_name(dunmerrow_rows* rows, const char* name,
                                              dunmerrow_date* date, int* seconds, int* is_null);
DUNMERROW_API int dunmerrow_rows_boolean_by_name(dunmerrow_rows* rows, const char* name,
                                                 int* value, int* is_null);

/* Closes `rows` and releases it; it must not be used afterwards (a later
 * call with it fails with DUNMERROW_E_NO_OBJECT, unless a new cursor has
 * since been opened at the same address).  NULL is accepted and does
 * nothing. */
DUNMERROW_API int dunmerrow_rows_close(dunmerrow_rows* rows);

#ifdef __cplusplus
}
#endif

#endif /* DUNMERROW_DUNMERROW_H_ */
