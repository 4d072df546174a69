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
 * before the function returns; the caller keeps ownership of it.  Text
 * returned belongs to the library (see each function for how long it lives).
 *
 * Threads.  A report object is used only from the thread that created it;
 * a call from another thread fails with DUNMERROW_E_WRONG_THREAD and changes
 * nothing.  Objects of different threads are independent, except for the
 * process-wide settings below (output, trace, locale, settings, message
 * callback), which every thread shares; set them before starting runs.
 * Callbacks arrive on the thread that made the call that raised them.
 */

/* Error numbers the interface gives. */
#define DUNMERROW_OK 0
/* A NULL pointer, an empty name, a date that does not exist, a number that
 * is not finite, a destination that is not one of DUNMERROW_DESTINATION_. */
#define DUNMERROW_E_INVALID_ARGUMENT 5
#define DUNMERROW_E_OUT_OF_MEMORY 7
/* A failure the library did not expect; the description says what. */
#define DUNMERROW_E_INTERNAL 51
/* The report definition NAME.rdn is not in the component's folder. */
#define DUNMERROW_E_DEFINITION_NOT_FOUND 53
/* Not a live report object: destroyed already, or never created.  Also: the
 * print button pressed before any report was run. */
#define DUNMERROW_E_NO_OBJECT 91
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

#ifdef __cplusplus
}
#endif

#endif /* DUNMERROW_DUNMERROW_H_ */
