"""A network of the test host's own: a network namespace joined to the
printer's machine by a veth pair, so that the test can take the host's end
of the link down and up as a pulled cable would. Names and addresses carry
the test's process id; what a killed run left behind is removed by the next
one."""

import ipaddress
import os
import re
import subprocess

NAMESPACE_PREFIX = "oprinter-link-"
LEFT_BEHIND = re.compile(re.escape(NAMESPACE_PREFIX) + r"(\d+)")
# Kept inside the network set aside for testing network devices, which the
# test host accepts; one /30 for each process id.
TEST_NETWORK = ipaddress.IPv4Network("198.18.0.0/16")


def _ip(*arguments, check=True):
    subprocess.run(["ip"] + list(arguments), check=check, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def _names(pid):
    return NAMESPACE_PREFIX + str(pid), "opl%dp" % pid, "opl%dh" % pid


def _remove(pid):
    """Deleting either end of a veth pair deletes both."""
    namespace, printer_end, _ = _names(pid)
    _ip("link", "del", printer_end, check=False)
    _ip("netns", "del", namespace, check=False)


def _remove_left_behind():
    listing = subprocess.run(["ip", "netns", "list"], capture_output=True, text=True).stdout
    for match in LEFT_BEHIND.finditer(listing):
        pid = int(match.group(1))
        if not os.path.exists("/proc/%d" % pid):
            _remove(pid)


class HostLink:
    def __init__(self):
        self.pid = os.getpid()
        self.namespace, self.printer_end, self.host_end = _names(self.pid)
        subnet = TEST_NETWORK.network_address + self.pid % (TEST_NETWORK.num_addresses // 4) * 4
        self.printer_address, self.host_address = str(subnet + 1), str(subnet + 2)
        self.host_link_address = "02:6f:70:%02x:%02x:%02x" % tuple(self.pid.to_bytes(3, "big"))

    def __enter__(self):
        _remove_left_behind()
        _remove(self.pid)
        try:
            _ip("netns", "add", self.namespace)
            _ip("link", "add", self.printer_end, "type", "veth", "peer", "name", self.host_end)
            _ip("link", "set", self.host_end, "netns", self.namespace)
            _ip("addr", "add", self.printer_address + "/30", "dev", self.printer_end)
            _ip("link", "set", self.printer_end, "up")
            _ip("-n", self.namespace, "addr", "add", self.host_address + "/30", "dev", self.host_end)
            _ip("-n", self.namespace, "link", "set", self.host_end, "address", self.host_link_address)
            _ip("-n", self.namespace, "link", "set", "lo", "up")
            # Known for good, the host's link address is never asked for: the
            # printer's packets then vanish on the downed link as they do on
            # the way to a host behind a router, and its connection times
            # out. Asked for on the link, it would fail at once, which the
            # kernel reports instead (host unreachable).
            _ip("neigh", "replace", self.host_address, "lladdr", self.host_link_address, "dev", self.printer_end,
                "nud", "permanent")
            self.up()
        except BaseException:
            _remove(self.pid)
            raise
        return self

    def __exit__(self, *exception):
        _remove(self.pid)

    def down(self):
        _ip("-n", self.namespace, "link", "set", self.host_end, "down")

    def up(self):
        _ip("-n", self.namespace, "link", "set", self.host_end, "up")
