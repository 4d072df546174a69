"""A host through the installed Python module: runs the statements of one date
and prints what the other operations answer, one line per answer, for
surface_check.py to hold against the statements of that date.

    surface_host.py DATABASE APP_FOLDER DATE OPS_TRACE COMPANY_DATABASE [TENANT:NUMBER:EVERY ...]

The report runs on DATABASE; the company block is then inserted from
COMPANY_DATABASE, named after the run.
"""
import datetime
import decimal
import sys

import dunmerrow


def amount(value):
    return str(value.quantize(decimal.Decimal("0.01"), rounding=decimal.ROUND_HALF_UP))


def main(database, app_folder, date, ops_trace, company_database, *tenants):
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
                expense = line["expense"]
                account = line["debitaccount" if expense else "creditaccount"] or ""
                try:
                    details = report.gl_description(account, 2 if expense else 1)
                except dunmerrow.DunmerrowError as e:
                    if e.number != dunmerrow.E_NOT_FOUND:
                        raise
                    details = ""
                print("journal|%s|%s|%s|%s|%s|%s|%s|%d" % (
                    owner, line["date"].strftime("%d/%m/%Y"), line["property"] or "", details,
                    amount(line["debit"]) if expense else "",
                    "" if expense else amount(line["credit"]), account, 2 if expense else 1))
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


if __name__ == "__main__":
    main(*sys.argv[1:])
