"""The twin of surface_host.c through the Python module: the same calls, the same lines.

    surface_host.py DATABASE APP_FOLDER DATE OPS_TRACE COMPANY_DATABASE [TENANT:NUMBER:EVERY ...]
"""
import datetime
import decimal
import sys

import dunmerrow


def amount(value):
    return str(value.quantize(decimal.Decimal("0.01"), rounding=decimal.ROUND_HALF_UP))


def day(value):
    return value.strftime("%d/%m/%Y")


def journal(report, owner, date_from, date_to):
    for line in report.get_journals(owner, date_from, date_to):
        expense = line["expense"]
        account = line["debitaccount" if expense else "creditaccount"] or ""
        try:
            details = report.gl_description(account, 2 if expense else 1)
        except dunmerrow.DunmerrowError as e:
            if e.number != dunmerrow.E_NOT_FOUND:
                raise
            details = ""
        print("journal %s|%s|%s|%s|%s|%s|%s|%d" % (
            owner, day(line["date"]), line["property"] or "", details,
            amount(line["debit"]) if expense else "", "" if expense else amount(line["credit"]),
            account, 1 if expense else 0))


def main(database, app_folder, date, ops_trace, company_database, *tenants):
    dunmerrow.set_message_callback(lambda text, title: print(title + ": " + text, file=sys.stderr))
    dunmerrow.set_locale("en_AU")
    dunmerrow.set_output("host-out", dunmerrow.DESTINATION_NONE)
    dunmerrow.set_setting("Settings", "apppath", app_folder)
    dunmerrow.set_database(database)
    report_date = datetime.date.fromisoformat(date)
    with dunmerrow.Report() as report:
        report.set_param("DateTo", report_date)
        report.set_param("bNotes", True)
        report.set_param("bDetailed", True)
        report.print_report("OwnerStatement")
        print("logo " + report.report_logo_filename())
        print("format " + report.number_format_with_comma())
        report.cache_accounts()

        dunmerrow.set_trace(ops_trace)
        for statement in report.statements():
            owner = statement["owner_code"]
            print("statement " + owner)
            report.print_owner_property_list(owner)
            journal(report, owner, statement["period_from"], statement["period_to"])
        for spec in tenants:
            tenant, number, every = spec.split(":")
            frequency = report.frequency_description(int(number), every)
            print("tenant %s|%s|%s|%s" % (tenant, frequency, amount(report.balance_owing(tenant)),
                                          day(report.paid_to_date(tenant))))
        dunmerrow.set_database(company_database)
        report.get_company_name()
        report.print_memo_field("the company block", "Header", "DateRange")
        dunmerrow.set_trace(None)


if __name__ == "__main__":
    main(*sys.argv[1:])
