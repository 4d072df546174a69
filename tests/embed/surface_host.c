/* A host that calls every operation of the C interface on one report date
 * and prints what each answered, one line per answer, for surface_check.py
 * to hold against the statements of the same date.  surface_host.py is its
 * twin through the Python module and prints the same lines.
 *
 *   surface_host DATABASE APP_FOLDER DATE OPS_TRACE COMPANY_DATABASE
 *                [TENANT:NUMBER:EVERY ...]
 *
 * The report runs on DATABASE; the company block is then inserted from
 * COMPANY_DATABASE, named after the run.
 */
#include <dunmerrow/dunmerrow.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static int check(int result, const char* what) {
  if (result != DUNMERROW_OK) {
    fprintf(stderr, "surface_host: %s: error %d: %s\n", what, result,
            dunmerrow_last_error_description());
    exit(1);
  }
  return result;
}

static void show_message(const char* text, const char* title, void* user_data) {
  (void)user_data;
  fprintf(stderr, "%s: %s\n", title, text);
}

/* An amount as the statements print it: two places, halves away from zero. */
static void print_amount(int64_t raw) {
  long long cents = (long long)((raw >= 0 ? raw + 50 : raw - 50) / 100);
  long long whole = cents < 0 ? -cents : cents;
  printf("%s%lld.%02lld", cents < 0 ? "-" : "", whole / 100, whole % 100);
}

static void print_text(char* text) {
  printf("%s", text ? text : "");
  dunmerrow_free(text);
}

static void print_journal(dunmerrow_report* report, const dunmerrow_statement* s) {
  dunmerrow_rows* rows = NULL;
  int has_row = 0;
  check(dunmerrow_report_journal_open(report, s->owner_code, s->period_from, s->period_to, &rows),
        "journal");
  for (;;) {
    char *property = NULL, *account = NULL, *details = NULL;
    dunmerrow_date date;
    int64_t debit = 0, credit = 0;
    int expense = 0, null = 0, result;
    check(dunmerrow_rows_next(rows, &has_row), "next");
    if (!has_row) break;
    check(dunmerrow_rows_date_by_name(rows, "date", &date, NULL, NULL), "date");
    check(dunmerrow_rows_text(rows, 9, &property, &null), "property");
    check(dunmerrow_rows_boolean_by_name(rows, "expense", &expense, NULL), "expense");
    check(dunmerrow_rows_currency_by_name(rows, "debit", &debit, NULL), "debit");
    check(dunmerrow_rows_currency(rows, 3, &credit, NULL), "credit");
    check(dunmerrow_rows_text_by_name(rows, expense ? "debitaccount" : "creditaccount", &account,
                                      &null),
          "account");
    result =
        dunmerrow_report_gl_description(report, account ? account : "", expense ? 2 : 1, &details);
    if (result != DUNMERROW_E_NOT_FOUND) check(result, "gl_description");
    printf("journal %s|%02d/%02d/%04d|%s|", s->owner_code, date.day, date.month, date.year,
           property ? property : "");
    print_text(details);
    printf("|");
    if (expense) print_amount(debit);
    printf("|");
    if (!expense) print_amount(credit);
    printf("|%s|%d\n", account ? account : "", expense);
    dunmerrow_free(property);
    dunmerrow_free(account);
  }
  check(dunmerrow_rows_close(rows), "close");
}

static void print_tenant(dunmerrow_report* report, const char* spec) {
  char tenant[64], every[64];
  int number = 0;
  char* text = NULL;
  int64_t balance = 0;
  dunmerrow_date paid_to;
  if (sscanf(spec, "%63[^:]:%d:%63s", tenant, &number, every) != 3) {
    fprintf(stderr, "surface_host: not TENANT:NUMBER:EVERY: '%s'\n", spec);
    exit(2);
  }
  check(dunmerrow_report_frequency_description(report, (int16_t)number, every, &text), "frequency");
  check(dunmerrow_report_balance_owing(report, tenant, &balance), "balance");
  check(dunmerrow_report_paid_to_date(report, tenant, &paid_to), "paid to");
  printf("tenant %s|%s|", tenant, text);
  dunmerrow_free(text);
  print_amount(balance);
  printf("|%02d/%02d/%04d\n", paid_to.day, paid_to.month, paid_to.year);
}

int main(int argc, char** argv) {
  dunmerrow_report* report = NULL;
  int year, month, day, count = 0, i;
  char* text = NULL;
  if (argc < 6 || sscanf(argv[3], "%4d-%2d-%2d", &year, &month, &day) != 3) {
    fprintf(stderr,
            "usage: surface_host DATABASE APP_FOLDER DATE OPS_TRACE COMPANY_DATABASE "
            "[TENANT:N:EVERY ...]\n");
    return 2;
  }
  check(dunmerrow_set_message_callback(show_message, NULL), "messages");
  check(dunmerrow_set_locale("en_AU"), "locale");
  check(dunmerrow_set_output("host-out", DUNMERROW_DESTINATION_NONE), "output");
  check(dunmerrow_set_setting("Settings", "apppath", argv[2]), "apppath");
  check(dunmerrow_set_database(argv[1]), "database");
  check(dunmerrow_report_create(&report), "create");
  check(dunmerrow_report_set_date(report, "DateTo", year, month, day), "DateTo");
  check(dunmerrow_report_set_bool(report, "bNotes", 1), "bNotes");
  check(dunmerrow_report_set_bool(report, "bDetailed", 1), "bDetailed");
  check(dunmerrow_report_print(report, "OwnerStatement"), "print");

  check(dunmerrow_report_logo_filename(report, &text), "logo");
  printf("logo ");
  print_text(text);
  check(dunmerrow_report_number_format(report, &text), "format");
  printf("\nformat ");
  print_text(text);
  printf("\n");
  check(dunmerrow_report_cache_accounts(report), "cache accounts");

  /* What the operations that print put on the engine goes to a trace of its own. */
  check(dunmerrow_set_trace(argv[4]), "trace");
  check(dunmerrow_report_statement_count(report, &count), "count");
  for (i = 0; i < count; ++i) {
    dunmerrow_statement s;
    check(dunmerrow_report_statement(report, i, &s), "statement");
    printf("statement %s\n", s.owner_code);
    check(dunmerrow_report_print_owner_property_list(report, s.owner_code), "property list");
    print_journal(report, &s);
  }
  for (i = 6; i < argc; ++i) print_tenant(report, argv[i]);
  check(dunmerrow_set_database(argv[5]), "company database");
  check(dunmerrow_report_get_company_name(report), "company name");
  check(dunmerrow_report_print_memo_field(report, "the company block", "Header", "DateRange"),
        "memo");
  check(dunmerrow_set_trace(NULL), "trace");
  check(dunmerrow_report_destroy(report), "destroy");
  return 0;
}
