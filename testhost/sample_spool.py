"""Writes the spool file the printer service makes of one of the test host's
spooled files, without a session: for the tests and benchmarks of what reads
spool files (oprinterctl show and pdf).

    sample_spool.py report|letter OUT.spool
"""

import sys

import expected_attributes
import expected_spool
import spooled_files

SAMPLES = {"report": spooled_files.REPORT, "letter": spooled_files.LETTER}


def sample_spool_bytes(name):
    spooled = SAMPLES[name]
    layout = expected_spool.lay_out(spooled.segments(), expected_spool.CvTable(b""))
    return expected_spool.spool_file_bytes(expected_attributes.from_listing(spooled.attributes), layout)


if __name__ == "__main__":
    with open(sys.argv[2], "wb") as out:
        out.write(sample_spool_bytes(sys.argv[1]))
