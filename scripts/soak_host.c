/* The soak's host program: prints the statements of one date again and
 * again through the C interface in one process, and after each round prints
 * what the process holds: "round N rss_kb FDS open_fds TEMP temp_files".
 *
 *   soak_host DATABASE DATE OUT_FOLDER ROUNDS TEMP_FOLDER
 */
#include <dirent.h>
#include <dunmerrow/dunmerrow.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static void ignore_message(const char* text, const char* title, void* user_data) {
  (void)user_data;
  fprintf(stderr, "%s: %s\n", title, text);
}

static long resident_kb(void) {
  char line[256];
  long kb = -1;
  FILE* status = fopen("/proc/self/status", "r");
  if (!status) return -1;
  while (fgets(line, sizeof line, status)) {
    if (strncmp(line, "VmRSS:", 6) == 0) kb = strtol(line + 6, NULL, 10);
  }
  fclose(status);
  return kb;
}

/* Entries of `folder` other than . and .. */
static int entries(const char* folder) {
  int count = 0;
  struct dirent* entry;
  DIR* dir = opendir(folder);
  if (!dir) return -1;
  while ((entry = readdir(dir)) != NULL) {
    if (strcmp(entry->d_name, ".") != 0 && strcmp(entry->d_name, "..") != 0) ++count;
  }
  closedir(dir);
  return count;
}

static int failed(const char* what) {
  fprintf(stderr, "soak_host: %s failed: error %d: %s\n", what, dunmerrow_last_error_number(),
          dunmerrow_last_error_description());
  return 1;
}

int main(int argc, char** argv) {
  int year, month, day, rounds, round;
  if (argc != 6 || sscanf(argv[2], "%4d-%2d-%2d", &year, &month, &day) != 3 ||
      (rounds = atoi(argv[4])) < 1) {
    fprintf(stderr, "usage: soak_host DATABASE YYYY-MM-DD OUT_FOLDER ROUNDS TEMP_FOLDER\n");
    return 2;
  }
  if (dunmerrow_set_message_callback(ignore_message, NULL)) return failed("message callback");
  if (dunmerrow_set_locale("en_AU")) return failed("locale");
  if (dunmerrow_set_output(argv[3], DUNMERROW_DESTINATION_PREVIEW)) return failed("output");
  if (dunmerrow_set_setting("Settings", "Networkable", "1") ||
      dunmerrow_set_setting("Settings", "DatabaseLocation", argv[1])) {
    return failed("database setting");
  }
  for (round = 1; round <= rounds; ++round) {
    dunmerrow_report* report = NULL;
    if (dunmerrow_report_create(&report)) return failed("create");
    if (dunmerrow_report_set_date(report, "DateTo", year, month, day) ||
        dunmerrow_report_set_bool(report, "bNotes", 1) ||
        dunmerrow_report_set_bool(report, "bDetailed", 1)) {
      return failed("parameters");
    }
    if (dunmerrow_report_print(report, "OwnerStatement")) return failed("print");
    if (dunmerrow_report_destroy(report)) return failed("destroy");
    printf("round %d %ld %d %d\n", round, resident_kb(), entries("/proc/self/fd") - 1,
           entries(argv[5]));
    fflush(stdout);
  }
  return 0;
}
