"""Installs (and stages) into a scratch prefix, builds the shipped example host
with pkg-config, and holds it and a Python host (this script, through the
installed module) against `dunmerrow statements` of a demo portfolio's date.

    surface_check.py CMAKE BUILD_DIR LIBDIR C_COMPILER HOST_FLAGS SOURCE_DIR
    surface_check.py --host DATABASE APP_FOLDER DATE OPS_TRACE COMPANY_DATABASE TENANT...
"""
import datetime
import decimal
import filecmp
import json
import os
import pathlib
import shlex
import shutil
import sqlite3
import subprocess
import sys
import tempfile

FAILURES = []


def expect(condition, what):
    if not condition:
        FAILURES.append(what)


def run(args, env=None, cwd=None):
    done = subprocess.run(args, env=env, cwd=cwd, capture_output=True, text=True, check=False)
    if done.returncode != 0:
        sys.exit("failed (%d): %s\n%s%s" % (done.returncode, shlex.join(args), done.stdout,
                                              done.stderr))
    return done.stdout


def sections(path, name):
    """The fields of each printed copy of section `name` in the trace at `path`."""
    events = [json.loads(line) for line in pathlib.Path(path).read_text().splitlines()]
    return [e["fields"] for e in events if e["op"] == "section" and e["name"] == name]


def amount(value):
    return str(value.quantize(decimal.Decimal("0.01"), rounding=decimal.ROUND_HALF_UP))


def dollars(text):
    """'-1234.50' as '-$1,234.50', as the statements print amounts."""
    value = decimal.Decimal(text)
    return ("-" if value < 0 else "") + "${:,.2f}".format(abs(value))


def host(database, app_folder, date, ops_trace, company_database, *tenants):
    """Runs the statements of `date` on `database`, prints what the other
    operations answer, one line each, then inserts the company block from
    `company_database`, named after the run."""
    import dunmerrow  # the installed module
    dunmerrow.set_locale("en_AU")
    dunmerrow.set_output("host-out", dunmerrow.DESTINATION_NONE)
    dunmerrow.set_setting("Settings", "apppath", app_folder)
    dunmerrow.set_database(database)
    with dunmerrow.Report() as report:
        report.set_param("DateTo", datetime.date.fromisoformat(date))
        report.set_param("bNotes", True)
        report.set_param("bDetailed", True)
        report.print_report("OwnerStatement")
        print("logo|" + report.report_logo_filename())
        print("format|" + report.number_format_with_comma())
        report.cache_accounts()
        # What the operations that print put on the engine goes to a trace of its own.
        dunmerrow.set_trace(ops_trace)
        for statement in report.statements():
            owner = statement["owner_code"]
            print("statement|" + owner)
            report.print_owner_property_list(owner)
            for line in report.get_journals(owner, statement["period_from"],
                                            statement["period_to"]):
                kind = 2 if line["expense"] else 1
                account = line["debitaccount" if kind == 2 else "creditaccount"] or ""
                try:
                    details = report.gl_description(account, kind)
                except dunmerrow.DunmerrowError as e:
                    if e.number != dunmerrow.E_NOT_FOUND:
                        raise
                    details = ""
                print("journal|%s|%s|%s|%s|%s|%s|%s|%d" % (
                    owner, line["date"].strftime("%d/%m/%Y"), line["property"] or "", details,
                    amount(line["debit"]) if kind == 2 else "",
                    amount(line["credit"]) if kind == 1 else "", account, kind))
                print("columns|" + "|".join(line))
        for spec in tenants:
            tenant, number, every = spec.split(":")
            print("tenant|%s|%s|%s|%s" % (
                tenant, report.frequency_description(int(number), every),
                amount(report.balance_owing(tenant)),
                report.paid_to_date(tenant).strftime("%d/%m/%Y")))
        dunmerrow.set_database(company_database)
        report.get_company_name()
        report.print_memo_field("the company block", "Header", "DateRange")
        dunmerrow.set_trace(None)


def check_installed(stage, prefix, libdir):
    """The files an install for `prefix` laid out, below `stage` unless that is ""."""
    root = stage + prefix
    lib = root + "/" + libdir
    for name in (libdir + "/dunmerrow/OwnerStatement.rdn", libdir + "/dunmerrow/reportlogo.bmp",
                 libdir + "/dunmerrow/libdunmerrow.so.0", "include/dunmerrow/dunmerrow.h",
                 "bin/dunmerrow", "share/doc/dunmerrow/examples/host.c"):
        expect(os.path.isfile(root + "/" + name), root + ": " + name)
    # The usual names lead to the library's real file in the component's folder.
    for name in ("/libdunmerrow.so", "/libdunmerrow.so.0"):
        expect(os.path.islink(lib + name) and os.path.realpath(lib + name) ==
               os.path.realpath(lib + "/dunmerrow/libdunmerrow.so.0"), root + ": " + name)
    pc = pathlib.Path(lib, "pkgconfig", "dunmerrow.pc").read_text()
    expect("prefix=%s\n" % prefix in pc and (not stage or stage not in pc),
           root + ": the pkg-config file names the final prefix:\n" + pc)


def main(cmake, build, libdir_name, compiler, host_flags, source):
    scratch = tempfile.mkdtemp(prefix="dunmerrow-surface-")
    path = lambda *names: os.path.join(scratch, *names)
    prefix = path("prefix")
    libdir = prefix + "/" + libdir_name
    stage = path("stage")
    run([cmake, "--install", build, "--prefix", prefix], dict(os.environ, DESTDIR=stage))
    expect(not os.path.exists(prefix), "a staged install wrote to its prefix")
    check_installed(stage, prefix, libdir_name)
    run([cmake, "--install", build, "--prefix", prefix])
    check_installed("", prefix, libdir_name)

    env = {k: v for k, v in os.environ.items() if k != "DUNMERROW_HOME"}
    env.update(DUNMERROW_NOW="2026-12-06T10:00:00", LC_ALL="C.UTF-8",
               QUELLORY_MACHINE_SETTINGS=path("machine.ini"),
               QUELLORY_USER_SETTINGS=path("user.ini"), PKG_CONFIG_PATH=libdir + "/pkgconfig",
               PYTHONPATH=libdir + "/dunmerrow", PYTHONDONTWRITEBYTECODE="1")
    pkg_config = lambda *args: run(["pkg-config", *args, "dunmerrow"], env).strip()
    for args, wanted in ((["--variable=libdir"], libdir),
                         (["--variable=componentdir"], libdir + "/dunmerrow"),
                         (["--cflags"], "-I" + prefix + "/include"),
                         (["--libs"], "-L%s -ldunmerrow" % libdir)):
        expect(pkg_config(*args) == wanted, "pkg-config %s: %s" % (args, pkg_config(*args)))
    run([compiler, "-std=c99", "-Wall", "-Wextra", "-pedantic", "-Werror", *host_flags.split(),
         source + "/examples/host.c", *pkg_config("--cflags", "--libs").split(),
         "-Wl,-rpath," + libdir, "-o", "example"], env, scratch)

    dunmerrow = path("prefix", "bin", "dunmerrow")
    made = run([dunmerrow, "demo-data", "--out", "demo", "--properties", "12"], env, scratch)
    date = made.split("latest disbursement date: ")[1][:10]
    options = ["--date", date, "--detailed", "--notes", "--database", "demo/property.mdb",
               "--app-folder", "demo", "--out", "out", "--locale", "en_AU", "--trace"]
    run([dunmerrow, "statements", *options, "run.jsonl"], env, scratch)
    pdf = path("out", "statements-%s.pdf" % date)
    os.rename(pdf, path("run.pdf"))
    # The shipped example prints what the command prints, trace and PDF alike.
    shown = run(["./example", *options, "example.jsonl"], env, scratch)
    expect("statements printed, 0 message(s) shown" in shown, "the example host: " + shown)
    expect(filecmp.cmp(path("example.jsonl"), path("run.jsonl"), False), "the example host's trace")
    expect(filecmp.cmp(pdf, path("run.pdf"), False), "the example host's PDF")

    # The open tenancies of each owner in the order its property list prints them.
    db = sqlite3.connect(path("demo", "property.mdb"))
    excluded = set(db.execute(
        "select gl_code, type from glcodes where exclude_disburse <> 0 and pay_to_owner = 0"))
    tenancies = {owner: [row for prop, in db.execute(
        "select code from property where ownercode = ? and [sale value] = 0", (owner,))
        for row in db.execute("select reference, every_amt, every_freq from tenancy "
                              "where closed_yn = 0 and [property code] = ?", (prop,))]
        for owner, in db.execute("select code from owner")}
    specs = ["%s:%d:%s" % row for rows in tenancies.values() for row in rows]
    # The host runs on a copy without the company block, and inserts it from
    # the demo itself once it names it after its run.
    shutil.copyfile(path("demo", "property.mdb"), path("demo", "plain.mdb"))
    with sqlite3.connect(path("demo", "plain.mdb")) as plain:
        plain.execute("update options set PrintName = 0, PrintAddress = 0")
    if "sanitize" in host_flags:
        # Python itself is not built with the sanitizers: their run time first.
        env["LD_PRELOAD"] = " ".join(run([compiler, "-print-file-name=" + name]).strip()
                                     for name in ("libasan.so", "libubsan.so"))
        env["ASAN_OPTIONS"] = "detect_leaks=0"
    answers = run([sys.executable, os.path.abspath(__file__), "--host", "demo/plain.mdb", "demo",
                   date, "ops.jsonl", "demo/property.mdb", *specs], env, scratch)

    lines = [line.split("|") for line in answers.splitlines()]
    expect(["logo", libdir + "/dunmerrow/reportlogo.bmp"] in lines, "the installed logo")
    expect(["format", "0.00"] in lines, "the number format")
    expect({tuple(line[1:]) for line in lines if line[0] == "columns"} == {(
        "tenant_code", "date", "debit", "credit", "debitaccount", "creditaccount", "description",
        "reference", "payee", "property", "expense", "tax")}, "the journal's columns")
    owners = [line[1] for line in lines if line[0] == "statement"]
    tenants = {line[1]: line[2:] for line in lines if line[0] == "tenant"}
    printed = lambda name: sections(path("run.jsonl"), name)
    expect(len(owners) == len(printed("Header")) > 0, "one owner per statement")
    # Each tenancy line ends with its frequency, the line below it is the
    # balance and paid-to date, as the host got them.
    listed = [fields["tenant"] for fields in printed("property") if fields["tenant"]]
    wanted = [tenants[reference] for owner in owners for reference, _, _ in tenancies[owner]]
    expect(len(listed) == 2 * len(wanted) > 0, "the tenancies listed")
    for (frequency, balance, paid_to), tenancy, summary in zip(wanted, listed[::2], listed[1::2]):
        expect(tenancy.endswith(frequency) and summary == "Balance owing is %s.  Paid to %s"
               % (dollars(balance), paid_to), "%s against %s" % (
                   [tenancy, summary], [frequency, balance, paid_to]))
    # The statements' lines are the owners' journals less the lines on
    # accounts left out of disbursements.
    journal = [line[2:7] for line in lines
               if line[0] == "journal" and (line[7], int(line[8])) not in excluded]
    transactions = [[f[k] for k in ("Date", "Property", "Details", "Expense", "Income")]
                    for f in printed("TransDetail")]
    expect(transactions == journal and journal, "the journal\n%s\nagainst\n%s" % (
        journal, transactions))

    # What the operations printed: the property lists as the statements
    # printed them, and the company block in the header.
    expect(sections(path("ops.jsonl"), "property") == printed("property"), "the property lists")
    company = {k: v for k, v in printed("Header")[0].items() if k.startswith("o")}
    header = sections(path("ops.jsonl"), "Header")
    expect(len(header) == 1 and header[0]["DateRange"] == "the company block" and company
           and all(header[0].get(k) == v for k, v in company.items()),
           "the company block %s against %s" % (header, company))

    if FAILURES:
        print("\n".join(FAILURES) + "\nkept for a look: " + scratch)
        return 1
    shutil.rmtree(scratch)
    print("%d statements, %d tenancies, %d journal lines agree" % (
        len(owners), len(wanted), len(journal)))
    return 0


if __name__ == "__main__":
    if sys.argv[1] == "--host":
        host(*sys.argv[2:])
    else:
        sys.exit(main(*sys.argv[1:]))
