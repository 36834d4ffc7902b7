#!/usr/bin/python3
"""The OPrinter.cfg a printer service needs to talk to the test host running a
scenario: the host's address, its FTP user, the device, a schedule that
covers today, logging on.

    /usr/bin/python3 service_config.py ADDRESS SCENARIO OPRINTERCTL [Name=value ...] > OPrinter.cfg

OPRINTERCTL is the admin tool that scrambles the password; Name=value
overrides a setting (DebugLevel=0, for example).
"""

import datetime
import subprocess
import sys
from xml.sax.saxutils import quoteattr

import scenarios

DAYS = ["Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday", "Sunday"]


def scramble(oprinterctl, password):
    result = subprocess.run([oprinterctl, "scramble", password], check=True, capture_output=True)
    return result.stdout.decode("latin-1").strip("\r\n")


def settings(address, scenario, oprinterctl):
    values = {
        "System": scenario.written_host(address) if scenario.written_host else address,
        "User": scenarios.FTP_USER,
        "Password": scramble(oprinterctl, scenarios.FTP_PASSWORD),
        "PrinterName": scenario.printer_name, "Language": "IT",
        "Log": "True", "LogDetail": "True", "MaxLog": "10000", "GGMaxLog": "30",
        "SaveLogPath": "", "SpoolInfoAPI": "False", "APILib": "KXLIB01", "DebugLevel": "2",
    }
    values.update(scenario.settings)
    return values


def oprinter_cfg(values, today):
    """Today and tomorrow run all day (a run may cross midnight), the other
    days are off."""
    attributes = " ".join("%s=%s" % (name, quoteattr(value)) for name, value in values.items())
    running = {today.isoweekday(), today.isoweekday() % 7 + 1}
    days = "".join('  <%s Skedula="%s" StartTime="00:00:00" EndTime="23:59:59"/>\n'
                   % (day, "True" if number in running else "False")
                   for number, day in enumerate(DAYS, start=1))
    return ('<?xml version="1.0" encoding="ISO-8859-1"?>\n<OPrinter %s>\n%s</OPrinter>\n'
            % (attributes, days)).encode("latin-1")


def main():
    if len(sys.argv) < 4:
        sys.exit(__doc__)
    address, scenario_name, oprinterctl = sys.argv[1:4]
    values = settings(address, scenarios.SCENARIOS[scenario_name], oprinterctl)
    values.update(override.split("=", 1) for override in sys.argv[4:])
    sys.stdout.buffer.write(oprinter_cfg(values, datetime.date.today()))


if __name__ == "__main__":
    main()
