"""The whole C interface from outside the tree: installs into a scratch prefix,
builds surface_host.c against what was installed, runs it and surface_host.py
(through the installed Python module) on a demo portfolio, and holds their
answers against the trace of `dunmerrow statements` of the same date.

    surface_check.py CMAKE BUILD_DIR LIBDIR C_COMPILER HOST_FLAGS SOURCE_DIR
"""
import json
import os
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


def trace(path):
    with open(path, encoding="utf-8") as f:
        return [json.loads(line) for line in f]


def sections(events, name):
    return [e["fields"] for e in events if e["op"] == "section" and e["name"] == name]


def statements_of(events):
    """The run's sections, one list per owner statement (each begins with its Header)."""
    result = []
    for e in events:
        if e["op"] != "section":
            continue
        if e["name"] == "Header":
            result.append([])
        result[-1].append(e)
    return result


def money(text):
    """'$1,234.56' or '-$1,234.56' as '1234.56' or '-1234.56'."""
    negative = text.startswith("-")
    return ("-" if negative else "") + text.lstrip("-").lstrip("$").replace(",", "")


def main(cmake, build, libdir_name, compiler, host_flags, source):
    scratch = tempfile.mkdtemp(prefix="dunmerrow-surface-")
    prefix = os.path.join(scratch, "prefix")
    libdir = os.path.join(prefix, libdir_name)
    component = os.path.join(libdir, "dunmerrow")
    embed = os.path.join(source, "tests", "embed")
    run([cmake, "--install", build, "--prefix", prefix])
    run([compiler, "-std=c99", "-Wall", "-Wextra", "-pedantic", "-Werror", *host_flags.split(),
         os.path.join(embed, "surface_host.c"), "-I", os.path.join(prefix, "include"),
         "-L", libdir, "-ldunmerrow", "-Wl,-rpath," + libdir, "-o", "host"], cwd=scratch)

    env = {k: v for k, v in os.environ.items() if k != "DUNMERROW_HOME"}
    env.update(DUNMERROW_NOW="2026-12-06T10:00:00", LC_ALL="C.UTF-8",
               QUELLORY_MACHINE_SETTINGS=os.path.join(scratch, "machine.ini"),
               QUELLORY_USER_SETTINGS=os.path.join(scratch, "user.ini"),
               PYTHONPATH=component, PYTHONDONTWRITEBYTECODE="1")
    dunmerrow = os.path.join(prefix, "bin", "dunmerrow")
    made = run([dunmerrow, "demo-data", "--out", "demo", "--properties", "12"], env, scratch)
    date = made.split("latest disbursement date: ")[1][:10]
    run([dunmerrow, "statements", "--date", date, "--detailed", "--notes", "--database",
         "demo/property.mdb", "--app-folder", "demo", "--out", "out", "--to", "none",
         "--locale", "en_AU", "--trace", "run.jsonl"], env, scratch)
    statements = statements_of(trace(os.path.join(scratch, "run.jsonl")))

    # The open tenancies in the order the property list prints them.
    db = sqlite3.connect(os.path.join(scratch, "demo", "property.mdb"))
    excluded = {(code, kind) for code, kind in db.execute(
        "select gl_code, type from glcodes where exclude_disburse <> 0 and pay_to_owner = 0")}
    tenancies = {}
    for owner, in db.execute("select code from owner"):
        tenancies[owner] = [row for prop, in db.execute(
            "select code from property where ownercode = ? and [sale value] = 0", (owner,))
            for row in db.execute("select reference, every_amt, every_freq from tenancy "
                                  "where closed_yn = 0 and [property code] = ?", (prop,))]
    specs = ["%s:%d:%s" % row for rows in tenancies.values() for row in rows]

    # The hosts run on a copy without the company block, and insert it from
    # the demo itself once they name it after their run.
    plain = os.path.join(scratch, "demo", "plain.mdb")
    shutil.copyfile(os.path.join(scratch, "demo", "property.mdb"), plain)
    copy = sqlite3.connect(plain)
    copy.execute("update options set PrintName = 0, PrintAddress = 0")
    copy.commit()
    copy.close()
    host_args = ["demo/plain.mdb", "demo", date]
    company = ["demo/property.mdb", *specs]
    c_out = run(["./host", *host_args, "ops-c.jsonl", *company], env, scratch)
    py_env = dict(env)
    if "sanitize" in host_flags:
        # Python itself is not built with the sanitizers: their run time first.
        py_env["LD_PRELOAD"] = " ".join(
            run([compiler, "-print-file-name=" + name]).strip()
            for name in ("libasan.so", "libubsan.so"))
        py_env["ASAN_OPTIONS"] = "detect_leaks=0"
    py_out = run([sys.executable, os.path.join(embed, "surface_host.py"), *host_args,
                  "ops-py.jsonl", *company], py_env, scratch)
    expect(c_out == py_out, "the C host and the Python host answer differently:\n%s\n---\n%s"
           % (c_out, py_out))
    lines = c_out.splitlines()
    expect("logo " + os.path.join(component, "reportlogo.bmp") in lines, "the logo path")
    expect("format 0.00" in lines, "the number format")

    owners = [line.split(" ", 1)[1] for line in lines if line.startswith("statement ")]
    expect(len(owners) == len(statements) > 0, "one owner per statement")
    tenant_lines = {l.split(" ", 1)[1].split("|")[0]: l.split("|")[1:]
                    for l in lines if l.startswith("tenant ")}
    journal = [l.split(" ", 1)[1].split("|") for l in lines if l.startswith("journal ")]
    checked_tenancies = checked_lines = 0
    for owner, statement in zip(owners, statements):
        names = [e["name"] for e in statement]
        fields = {name: [e["fields"] for e in statement if e["name"] == name] for name in names}
        # The property list: each tenancy line ends with its frequency, and the
        # line below it is the balance and paid-to date, as the host got them.
        listed = [f["tenant"] for f in fields.get("property", []) if f["tenant"]]
        for k, (reference, _, _) in enumerate(tenancies[owner]):
            frequency, balance, paid_to = tenant_lines[reference]
            tenancy, summary = listed[2 * k], listed[2 * k + 1]
            expect(tenancy.endswith(frequency), "%s: '%s' ends with '%s'" % (
                reference, tenancy, frequency))
            shown_balance, shown_paid = summary[len("Balance owing is "):].split(".  Paid to ")
            expect(money(shown_balance.rstrip(".")) == balance and shown_paid == paid_to,
                   "%s: '%s' against %s %s" % (reference, summary, balance, paid_to))
            checked_tenancies += 1
        expect(len(listed) == 2 * len(tenancies[owner]), owner + ": the tenancies listed")
        # The journal: the statement's lines are the owner's journal less the
        # lines on accounts left out of disbursements.
        printed = [[f["Date"], f["Property"], f["Details"], f["Expense"], f["Income"]]
                   for f in fields.get("TransDetail", [])]
        kept = [row[1:6] for row in journal if row[0] == owner and
                (row[6], 2 if row[7] == "1" else 1) not in excluded]
        expect(printed == kept, "%s: the journal\n%s\nagainst the statement\n%s" % (
            owner, kept, printed))
        checked_lines += len(printed)
    expect(checked_tenancies > 0 and checked_lines > 0, "nothing was compared")

    # What the operations printed on the engine: the property lists as the
    # statements printed them, and the company block in the header.
    run_properties = [e["fields"] for s in statements for e in s if e["name"] == "property"]
    run_header = sections(trace(os.path.join(scratch, "run.jsonl")), "Header")[0]
    for ops in ("ops-c.jsonl", "ops-py.jsonl"):
        events = trace(os.path.join(scratch, ops))
        expect(sections(events, "property") == run_properties, ops + ": the property lists")
        header = sections(events, "Header")
        expect(len(header) == 1 and header[0]["DateRange"] == "the company block", ops + ": memo")
        company = {k: v for k, v in run_header.items() if k.startswith("o")}
        expect(len(company) > 0 and all(header[0].get(k) == v for k, v in company.items()),
               ops + ": the company block %s against %s" % (header, company))

    if FAILURES:
        print("\n".join(FAILURES))
        print("kept for a look: " + scratch)
        return 1
    shutil.rmtree(scratch)
    print("%d statements, %d tenancies, %d journal lines agree" % (
        len(statements), checked_tenancies, checked_lines))
    return 0


if __name__ == "__main__":
    sys.exit(main(*sys.argv[1:]))
