/* An example host: prints the owner statements of one date through the C
 * interface, as the host application does, with the options of
 * `dunmerrow statements`.
 *
 *   cc host.c $(pkg-config --cflags --libs dunmerrow) -o host
 *   ./host --database property.mdb --date 2009-04-20 --out statements
 */
#include <dunmerrow/dunmerrow.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static const char kUsage[] =
    "Usage: host --database PATH [--date YYYY-MM-DD] [--out DIR] [--trace FILE]\n"
    "            [--notes] [--detailed] [--definition NAME] [--locale NAME]\n"
    "            [--app-folder DIR] [--to preview|print|email|outbox|both|none]\n";

struct options {
  const char* database;
  const char* date;
  const char* out;
  const char* trace;
  const char* definition;
  const char* locale;
  const char* app_folder;
  int destination;
  int notes;
  int detailed;
};

/* Shows the component's messages as the command line does. */
static void show_message(const char* text, const char* title, void* user_data) {
  int* count = (int*)user_data;
  ++*count;
  fprintf(stderr, "%s: %s\n", title, text);
}

static int destination_of(const char* name) {
  static const struct {
    const char* name;
    int destination;
  } kDestinations[] = {
      {"preview", DUNMERROW_DESTINATION_PREVIEW},       {"print", DUNMERROW_DESTINATION_PRINTER},
      {"email", DUNMERROW_DESTINATION_EMAIL},           {"outbox", DUNMERROW_DESTINATION_OUTBOX},
      {"both", DUNMERROW_DESTINATION_EMAIL_AND_OUTBOX}, {"none", DUNMERROW_DESTINATION_NONE},
  };
  size_t i;
  for (i = 0; i < sizeof kDestinations / sizeof kDestinations[0]; ++i) {
    if (strcmp(name, kDestinations[i].name) == 0) return kDestinations[i].destination;
  }
  return -2;
}

/* Returns 0 when the options are usable, otherwise prints why and returns 2. */
static int parse(int argc, char** argv, struct options* o) {
  const char* to = "preview";
  const struct {
    const char* name;
    const char** value;
  } kValues[] = {
      {"--database", &o->database},
      {"--date", &o->date},
      {"--out", &o->out},
      {"--trace", &o->trace},
      {"--definition", &o->definition},
      {"--locale", &o->locale},
      {"--app-folder", &o->app_folder},
      {"--to", &to},
  };
  int i;
  memset(o, 0, sizeof *o);
  o->definition = "OwnerStatement";
  for (i = 1; i < argc; ++i) {
    const char* a = argv[i];
    size_t k, n = sizeof kValues / sizeof kValues[0];
    if (strcmp(a, "--notes") == 0) {
      o->notes = 1;
      continue;
    }
    if (strcmp(a, "--detailed") == 0) {
      o->detailed = 1;
      continue;
    }
    for (k = 0; k < n && strcmp(a, kValues[k].name) != 0; ++k) {
    }
    if (k == n || i + 1 >= argc) {
      fprintf(stderr, "host: unknown option or missing value: '%s'\n%s", a, kUsage);
      return 2;
    }
    *kValues[k].value = argv[++i];
  }
  o->destination = destination_of(to);
  if (o->destination == -2) {
    fprintf(stderr, "host: unknown destination '%s'\n%s", to, kUsage);
    return 2;
  }
  if (!o->database) {
    fprintf(stderr, "host: --database is required\n%s", kUsage);
    return 2;
  }
  return 0;
}

/* Prints the failure of `what` and returns 1. */
static int failed(const char* what) {
  fprintf(stderr, "host: %s failed: error %d: %s\n", what, dunmerrow_last_error_number(),
          dunmerrow_last_error_description());
  return 1;
}

/* The process-wide choices: where the output goes, the formats, the data. */
static int configure(const struct options* o, int* messages) {
  if (dunmerrow_set_message_callback(show_message, messages)) return failed("message callback");
  if (dunmerrow_set_locale(o->locale)) return failed("locale");
  if (dunmerrow_set_output(o->out, o->destination)) return failed("output");
  if (o->trace && dunmerrow_set_trace(o->trace)) return failed("trace");
  if (o->app_folder && dunmerrow_set_setting("Settings", "apppath", o->app_folder)) {
    return failed("host folder");
  }
  if (dunmerrow_set_setting("Settings", "Networkable", "1") ||
      dunmerrow_set_setting("Settings", "DatabaseLocation", o->database)) {
    return failed("database setting");
  }
  return 0;
}

/* Sets the report's parameters, announcing the ones it offers the user. */
static int set_parameters(dunmerrow_report* report, const struct options* o) {
  int year, month, day, wanted = 0;
  char end;
  if (o->date) {
    if (sscanf(o->date, "%4d-%2d-%2d%c", &year, &month, &day, &end) != 3) {
      fprintf(stderr, "host: --date must be written YYYY-MM-DD, not '%s'\n", o->date);
      return 2;
    }
    if (dunmerrow_report_set_date(report, "DateTo", year, month, day)) return failed("DateTo");
  }
  if (dunmerrow_report_use_parameter(report, "bNotes", &wanted)) return failed("UseParameter");
  if (wanted && dunmerrow_report_set_bool(report, "bNotes", o->notes)) return failed("bNotes");
  if (dunmerrow_report_use_parameter(report, "bDetailed", &wanted)) return failed("UseParameter");
  if (wanted && dunmerrow_report_set_bool(report, "bDetailed", o->detailed)) {
    return failed("bDetailed");
  }
  return 0;
}

int main(int argc, char** argv) {
  struct options o;
  dunmerrow_report* report = NULL;
  int messages = 0;
  int status = parse(argc, argv, &o);
  if (status == 0) status = configure(&o, &messages);
  if (status == 0 && dunmerrow_report_create(&report)) status = failed("create");
  if (status == 0) status = set_parameters(report, &o);
  if (status == 0 && dunmerrow_report_print(report, o.definition)) status = failed("print");
  if (report && dunmerrow_report_destroy(report) && status == 0) status = failed("destroy");
  dunmerrow_set_trace(NULL);
  if (status == 0) printf("statements printed, %d message(s) shown\n", messages);
  return status;
}
