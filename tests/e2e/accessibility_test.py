#!/usr/bin/python3
"""Drives the running program the way a screen reader user does: through the accessibility bus.

Starts a private session bus (the accessibility bus hangs off it), a private virtual X display,
quorvane-sim (COM1 in a private ports folder, TCP on a loopback address of its own) and quorvane;
finds the program on the accessibility desktop, connects over COM1 with the "Connect" button's
own action, opens the Matrix page with its tab's action, routes input 3 to output B with the
input button's action.
Then, back on the General page, it chooses TCP control mode with the radio button's action, sets
the simulator's address as the "Matrix  IP" box's text, connects, opens the Matrix page again
(whose status read now runs over TCP) and routes input 5 to output C. On the way it switches the
beep with the check box's action, reads the EDID page's lists and input names, and opens the
traffic window through the title band's menu button and the presets window, both read as
windows. It checks what the accessible names, states and relations tell and what the simulated
matrix received. No mouse, no keyboard.

    /usr/bin/python3 accessibility_test.py --app build/quorvane --sim build/quorvane-sim
The paths default to $QUORVANE_APP and $QUORVANE_SIM. Exit code 0 on success, 1 on failure with a
message saying what was expected and what was seen.
"""

import argparse
import ctypes
import os
import selectors
import shutil
import signal
import socket
import struct
import subprocess
import sys
import tempfile
import time

import gi

gi.require_version("Atspi", "2.0")

PATIENCE = 15.0  # seconds; the bound of every wait
POLL = 0.1
# A loopback address of this run's own (from its process id), so that runs side by side, from other
# build folders too, never contend for one TCP port 8000.
SIM_ADDRESS = f"127.7.{(os.getpid() >> 8) & 0xFF}.{max(os.getpid() & 0xFF, 1)}"
ROUTE_B_TO_3 = "RX serial A5 5B 02 03 03 00 02 00 00 00 00 00 F6"
ROUTE_C_TO_5 = "RX tcp A5 5B 02 03 05 00 03 00 00 00 00 00 F3"
OUTPUTS = "ABCDEFGH"


class Failure(Exception):
    pass


# ---------------------------------------------------------------------------------------------
# Processes


class Processes:
    """Every process the test starts; stop_all() ends each one, however the test ended."""

    def __init__(self, folder):
        self.folder = folder
        self.started = []  # (name, Popen)

    def start(self, name, argv, env, stdout=subprocess.DEVNULL, pass_fds=()):
        # Every process starts before the bus library makes any thread, so the hook below is safe.
        log = open(os.path.join(self.folder, name + ".stderr"), "wb")
        try:
            process = subprocess.Popen(
                argv,
                env=env,
                stdin=subprocess.DEVNULL,
                stdout=stdout,
                stderr=log,
                pass_fds=pass_fds,
                # Ctrl-C reaches the test alone, which then stops everything in order.
                start_new_session=True,
                preexec_fn=end_with_parent,
            )
        except OSError as error:
            raise Failure(f"cannot start {name} ({argv[0]}): {error}") from error
        finally:
            log.close()
        self.started.append((name, process))
        return process

    def stderr_of(self, name):
        try:
            with open(os.path.join(self.folder, name + ".stderr"), "rb") as file:
                return file.read().decode(errors="replace")
        except OSError:
            return ""

    def stop(self, process):
        if process.poll() is None:
            process.terminate()
            try:
                process.wait(timeout=5)
            except subprocess.TimeoutExpired:
                process.kill()
                process.wait(timeout=5)
        if process.stdout:
            process.stdout.close()
            process.stdout = None

    def stop_all(self):
        # The program first, then the matrix it talks to, the display and the bus last.
        for _, process in reversed(self.started):
            self.stop(process)


PR_SET_PDEATHSIG = 1
prctl = ctypes.CDLL(None, use_errno=True).prctl  # looked up here, not in a freshly forked child


def end_with_parent():
    """In the child: SIGTERM when the test itself dies, even by SIGKILL."""
    prctl(PR_SET_PDEATHSIG, signal.SIGTERM, 0, 0, 0)


def read_line(process, what):
    """The first line `process` writes on stdout, waited for at most PATIENCE seconds."""
    deadline = time.monotonic() + PATIENCE
    data = b""
    with selectors.DefaultSelector() as selector:
        selector.register(process.stdout, selectors.EVENT_READ)
        while b"\n" not in data:
            left = deadline - time.monotonic()
            if left <= 0:
                raise Failure(f"{what}: nothing within {PATIENCE:.0f} s")
            if not selector.select(left):
                continue
            chunk = os.read(process.stdout.fileno(), 4096)
            if not chunk:
                raise Failure(f"{what}: ended (exit code {process.wait(timeout=5)})")
            data += chunk
    return data.split(b"\n", 1)[0].decode(errors="replace")


def start_and_read(processes, name, argv, env):
    """Starts a server that writes one line on the descriptor given in its arguments ("{fd}")
    once it serves; returns the process and that line."""
    program = shutil.which(argv[0])
    if not program:
        raise Failure(f"{argv[0]} is not installed (scripts/install-deps installs it)")
    reader, writer = os.pipe()
    try:
        argv = [program] + [arg.replace("{fd}", str(writer)) for arg in argv[1:]]
        process = processes.start(name, argv, env=env, pass_fds=(writer,))
    finally:
        os.close(writer)
    process.stdout = os.fdopen(reader, "rb", buffering=0)
    line = read_line(process, f"{name}'s readiness").strip()
    if not line:
        raise Failure(f"{name} said nothing; its stderr: {processes.stderr_of(name)}")
    return process, line


def start_session_bus(processes, runtime):
    """A session bus of the test's own. The accessibility bus it starts on demand puts its socket
    in `runtime`, not in a folder that a desktop session or a second run of this test shares."""
    env = dict(os.environ, XDG_RUNTIME_DIR=runtime)
    for name in ("DISPLAY", "WAYLAND_DISPLAY", "AT_SPI_BUS_ADDRESS", "DBUS_SESSION_BUS_ADDRESS"):
        env.pop(name, None)
    _, address = start_and_read(
        processes,
        "dbus-daemon",
        ["dbus-daemon", "--session", "--nofork", "--nopidfile", "--print-address={fd}"],
        env,
    )
    return address


def x_server_answers(number):
    """Whether the X server on display `number` accepts a client (the connection set-up without
    a cookie, as the program will make it)."""
    request = struct.pack("<cxHHHH2x", b"l", 11, 0, 0, 0)
    for path in (f"\0/tmp/.X11-unix/X{number}", f"/tmp/.X11-unix/X{number}"):
        try:
            with socket.socket(socket.AF_UNIX, socket.SOCK_STREAM) as client:
                client.settimeout(PATIENCE)
                client.connect(path)
                client.sendall(request)
                if client.recv(1) == b"\x01":
                    return True
        except OSError:
            continue
    return False


def start_display(processes):
    """A private X display. The server picks a free number itself and says so once it listens,
    so tests running side by side never race for one. A server that then does not take clients
    is replaced (at most three tries)."""
    for attempt in range(3):
        name = f"Xvfb-{attempt + 1}"
        process, number = start_and_read(
            processes,
            name,
            ["Xvfb", "-displayfd", "{fd}", "-screen", "0", "1280x800x24", "-nolisten", "tcp"],
            dict(os.environ),
        )
        if not number.isdigit():
            raise Failure(f"Xvfb gave no display number: {number!r}")
        if x_server_answers(int(number)):
            return ":" + number
        processes.stop(process)
    raise Failure(f"Xvfb's display :{number} takes no clients; {processes.stderr_of(name)}")


def start_simulator(processes, sim, runtime, log):
    env = dict(os.environ, XDG_RUNTIME_DIR=runtime)
    process = processes.start(
        "quorvane-sim",
        [sim, "--com", "1", "--tcp", SIM_ADDRESS, "--log", log],
        env=env,
        stdout=subprocess.PIPE,
    )
    line = read_line(process, "quorvane-sim's readiness line")
    if not line.startswith("quorvane-sim ready") or "com=COM1" not in line:
        raise Failure(f"quorvane-sim: unexpected first line {line!r}")
    return line


def start_program(processes, app, runtime, display):
    env = dict(
        os.environ,
        XDG_RUNTIME_DIR=runtime,
        # what the program remembers between runs stays in the test's folder
        XDG_CONFIG_HOME=os.path.join(runtime, "config"),
        DISPLAY=display,
        QT_QPA_PLATFORM="xcb",
        QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1",
        QUORVANE_NO_SYSTEM_PORTS="1",
    )
    env.pop("WAYLAND_DISPLAY", None)
    env.pop("XAUTHORITY", None)  # the private display has no cookie
    return processes.start("quorvane", [app], env=env)


# ---------------------------------------------------------------------------------------------
# The accessibility tree


def wait_for(what, probe, processes=None, program=None):
    """Polls `probe` until it returns something true, for at most PATIENCE seconds. A probe that
    raises a bus error (an object going away mid-walk, a slow answer) counts as "not yet"."""
    from gi.repository import GLib

    context = GLib.MainContext.default()
    deadline = time.monotonic() + PATIENCE
    last = None
    while True:
        while context.iteration(False):
            pass  # let the accessibility library take in the program's events
        if program is not None and program.poll() is not None:
            raise Failure(
                f"quorvane ended (exit code {program.returncode}) while waiting for {what}; "
                f"its stderr: {processes.stderr_of('quorvane')[-2000:]}"
            )
        try:
            result, last = probe()
        except GLib.Error as error:
            result, last = None, f"bus error: {error.message}"
        if result:
            return result
        if time.monotonic() >= deadline:
            raise Failure(f"after {PATIENCE:.0f} s still waiting for {what}; last seen: {last}")
        time.sleep(POLL)


class Tree:
    """Finds and reads the program's accessible objects, fresh from the program each time."""

    def __init__(self, pyatspi, processes, program):
        self.pyatspi = pyatspi
        self.processes = processes
        self.program = program
        self.app = None

    def wait(self, what, probe):
        return wait_for(what, probe, self.processes, self.program)

    def find_application(self):
        desktop = self.pyatspi.Registry.getDesktop(0)

        def probe():
            names = []
            for index in range(desktop.childCount):
                app = desktop.getChildAtIndex(index)
                if app is None:
                    continue
                names.append(app.name)
                if app.get_process_id() == self.program.pid:
                    return app, names
            return None, f"applications on the desktop: {names}"

        self.app = self.wait("quorvane on the accessibility desktop", probe)
        # Read names and states from the program on every call, never from a cache that only
        # events keep current.
        self.app.set_cache_mask(self.pyatspi.Atspi.Cache.NONE)
        if self.app.name != "Quorvane":
            raise Failure(f"the application's accessible name is {self.app.name!r}, not 'Quorvane'")
        return self.app

    def descendants(self, root):
        stack = [root]
        while stack:
            node = stack.pop()
            yield node
            for index in reversed(range(node.childCount)):
                child = node.getChildAtIndex(index)
                if child is not None:
                    stack.append(child)

    def find(self, role, name, within=None):
        """The one object with this role (or one of these roles) and accessible name below
        `within` (default: the whole program), waited for."""
        root = within or self.app
        roles = role if isinstance(role, tuple) else (role,)
        role_name = " or ".join(
            self.pyatspi.Atspi.Role(r).value_nick.replace("-", " ") for r in roles
        )

        def probe():
            hits = [n for n in self.descendants(root) if n.getRole() in roles and n.name == name]
            if len(hits) > 1:
                raise Failure(f"{len(hits)} objects are a {role_name} named {name!r}; expected one")
            return (hits[0] if hits else None), "none"

        return self.wait(f"a {role_name} named {name!r} below {root.name!r}", probe)

    def has_state(self, node, state):
        return node.getState().contains(state)

    def press(self, node, action):
        """Runs the object's action called `action` (as a screen reader's "activate" does)."""
        try:
            actions = node.queryAction()
        except NotImplementedError:
            raise Failure(f"{node.name!r} offers no actions") from None
        names = [actions.getName(i) for i in range(actions.nActions)]
        if action not in names:
            raise Failure(f"{node.name!r} offers the actions {names}, not {action!r}")
        if not actions.doAction(names.index(action)):
            raise Failure(f"the program refused the action {action!r} of {node.name!r}")

    def wait_name(self, node, expected, what):
        def probe():
            name = node.name
            return name == expected, repr(name)

        self.wait(f"{what} to read {expected!r}", probe)


# ---------------------------------------------------------------------------------------------
# The scenario


def connect_over_com(tree, pyatspi):
    com_panel = tree.find(pyatspi.ROLE_PANEL, "COM Control Mode")
    indicator = tree.find(pyatspi.ROLE_LABEL, "COM link: down", com_panel)
    connect = tree.find(pyatspi.ROLE_PUSH_BUTTON, "Connect", com_panel)

    # The port list is labelled "Port" for a screen reader and comes to offer the simulator's COM1
    # (a list box reads as its current entry; its label says what it is).
    port_label = tree.find(pyatspi.ROLE_LABEL, "Port", com_panel)
    targets = [
        target
        for relation in port_label.getRelationSet()
        if relation.getRelationType() == pyatspi.RELATION_LABEL_FOR
        for target in (relation.getTarget(i) for i in range(relation.getNTargets()))
    ]
    if len(targets) != 1 or targets[0].getRole() != pyatspi.ROLE_COMBO_BOX:
        raise Failure(f"the label 'Port' labels {[t.name for t in targets]}, not the port list")
    port_list = targets[0]

    def port_offered():
        return port_list.name == "COM1", repr(port_list.name)

    tree.wait("the port list to show 'COM1'", port_offered)

    tree.press(connect, "Press")
    tree.wait_name(connect, "Disconnect", "the COM 'Connect' button")
    tree.wait_name(indicator, "COM link: up", "the COM link indicator")


def open_page(tree, pyatspi, name, other):
    """Presses the tab `name` and waits until it alone is selected (`other` not) and its page
    shows."""
    tabs = tree.find(pyatspi.ROLE_FILLER, "Pages")
    tab = tree.find(pyatspi.ROLE_PAGE_TAB, name, tabs)
    other_tab = tree.find(pyatspi.ROLE_PAGE_TAB, other, tabs)
    tree.press(tab, "Press")

    def in_front():
        selected = [tree.has_state(t, pyatspi.STATE_SELECTED) for t in (tab, other_tab)]
        return selected == [True, False], f"{name}, {other} tab selected: {selected}"

    tree.wait(f"the {name} tab to be selected alone", in_front)
    page = tree.find(pyatspi.ROLE_FILLER, name)
    tree.wait(
        f"the {name} page to be showing",
        lambda: (tree.has_state(page, pyatspi.STATE_SHOWING), "not showing"),
    )
    return page


def open_matrix_page(tree, pyatspi):
    return open_page(tree, pyatspi, "Matrix", "General")


def connect_over_tcp(tree, pyatspi):
    """Chooses TCP control mode, puts the simulator's address into the "Matrix  IP" box and
    connects, each through the control's accessibility interface."""
    open_page(tree, pyatspi, "General", "Matrix")
    mode = tree.find(pyatspi.ROLE_RADIO_BUTTON, "TCP Control Mode")
    tcp_panel = tree.find(pyatspi.ROLE_PANEL, "TCP Control Mode")
    connect = tree.find(pyatspi.ROLE_PUSH_BUTTON, "Connect", tcp_panel)
    indicator = tree.find(pyatspi.ROLE_LABEL, "TCP link: down", tcp_panel)

    # A radio button offers "Toggle"; the mode must follow it and stay (the page is drawn again
    # twice a second, at every refresh of the port list).
    tree.press(mode, "Toggle")

    def tcp_chosen():
        checked = tree.has_state(mode, pyatspi.STATE_CHECKED)
        usable = tree.has_state(connect, pyatspi.STATE_SENSITIVE)
        return checked and usable, f"radio checked {checked}, TCP 'Connect' usable {usable}"

    tree.wait("TCP control mode with its 'Connect' button usable", tcp_chosen)
    time.sleep(1.2)  # two refreshes of the port list
    if not tcp_chosen()[0]:
        raise Failure(f"TCP control mode did not last: {tcp_chosen()[1]}")

    # The address as assistive software sets it: the box's text, with no key typed.
    box = tree.find((pyatspi.ROLE_ENTRY, pyatspi.ROLE_TEXT), "Matrix IP", tcp_panel)
    try:
        editable = box.queryEditableText()
    except NotImplementedError:
        raise Failure("the 'Matrix IP' box offers no editable text") from None
    if not editable.setTextContents(SIM_ADDRESS):
        raise Failure("the program refused the 'Matrix IP' box's new text")

    def address_in_box():
        text = box.queryText()
        shown = text.getText(0, text.characterCount)
        return shown == SIM_ADDRESS, repr(shown)

    tree.wait(f"the 'Matrix IP' box to read {SIM_ADDRESS!r}", address_in_box)

    tree.press(connect, "Press")
    tree.wait_name(connect, "Disconnect", "the TCP 'Connect' button")
    tree.wait_name(indicator, "TCP link: up", "the TCP link indicator")


class OutputGroup:
    """An output's display and input buttons as a screen reader finds them."""

    def __init__(self, tree, pyatspi, page, letter):
        self.tree = tree
        self.pyatspi = pyatspi
        self.letter = letter
        self.panel = tree.find(pyatspi.ROLE_PANEL, f"OUTPUT {letter}", page)

    def display(self):
        """The number the display shows, as its name and its description tell it (both must
        agree; otherwise what was read)."""
        prefix = f"OUTPUT {self.letter} shows input "
        for node in self.tree.descendants(self.panel):
            if node.name.startswith(prefix):
                shown, described = node.name[len(prefix):], node.description
                return shown if shown == described else f"<{node.name!r}, {described!r}>"
        return "<no display>"

    def checked_inputs(self):
        prefix = f"OUTPUT {self.letter} input "
        return [
            int(node.name[len(prefix):])
            for node in self.tree.descendants(self.panel)
            if node.name.startswith(prefix)
            and self.tree.has_state(node, self.pyatspi.STATE_CHECKED)
        ]

    def button(self, input_number):
        return self.tree.find(
            self.pyatspi.ROLE_CHECK_BOX, f"OUTPUT {self.letter} input {input_number}", self.panel
        )


def route(tree, pyatspi, page, routes, letter, input_number):
    """Waits until the displays A..H read `routes` (the page's status read, run when it came on
    show), then routes `input_number` to output `letter` with the input button's action."""
    groups = [OutputGroup(tree, pyatspi, page, each) for each in OUTPUTS]
    expected = [str(n) for n in routes]

    def routes_shown():
        seen = [group.display() for group in groups]
        return seen == expected, f"displays A..H: {seen}"

    tree.wait(f"the displays to read {' '.join(expected)}", routes_shown)

    target = groups[OUTPUTS.index(letter)]
    tree.press(target.button(input_number), "Toggle")

    def routed():
        shown, checked = target.display(), target.checked_inputs()
        return (
            shown == str(input_number) and checked == [input_number],
            f"display {letter} {shown!r}, checked inputs {checked}",
        )

    tree.wait(f"display {letter} to read {input_number} with only it checked", routed)
    # The other outputs kept their routes.
    others = [group.display() for group in groups if group is not target]
    kept = [e for group, e in zip(groups, expected) if group is not target]
    if others != kept:
        raise Failure(f"routing {letter} changed other displays: they read {others}, not {kept}")


def wait_for_frame(log_path, line, processes, prefix=False):
    """Waits until the simulator's traffic log holds `line` (or, with `prefix`, a line that
    begins with it); returns that line."""

    def probe():
        try:
            with open(log_path, encoding="ascii", errors="replace") as file:
                lines = file.read().splitlines()
        except OSError as error:
            return None, str(error)
        hits = [each for each in lines if (each.startswith(line) if prefix else each == line)]
        return (hits[-1] if hits else None), f"{len(lines)} lines, the last {lines[-3:]}"

    return wait_for(f"quorvane-sim to log {line!r}", probe, processes)


def labelled_by(pyatspi, node):
    """The names of the labels `node` is labelled by, through the labelled-by relation."""
    return [
        target.name
        for relation in node.getRelationSet()
        if relation.getRelationType() == pyatspi.RELATION_LABELLED_BY
        for target in (relation.getTarget(i) for i in range(relation.getNTargets()))
        if target is not None and target.getRole() == pyatspi.ROLE_LABEL
    ]


def switch_beep(tree, pyatspi, sim_log, processes):
    """The beep switch by its Toggle action: the request reaches the matrix and the mark ends as
    the matrix answered (the mark standing still until then is checked in process)."""
    beep = tree.find(pyatspi.ROLE_CHECK_BOX, "Enable Beep ")
    was_on = tree.has_state(beep, pyatspi.STATE_CHECKED)
    tree.press(beep, "Toggle")
    value = "F0" if was_on else "0F"
    wait_for_frame(sim_log, f"RX serial A5 5B 06 01 {value} ", processes, prefix=True)
    tree.wait(
        "the beep switch to follow the matrix's answer",
        lambda: (tree.has_state(beep, pyatspi.STATE_CHECKED) != was_on, f"was on: {was_on}"),
    )


def check_edid_lists(tree, pyatspi):
    """Every list of the EDID page has its label (a list reads as its current entry), and the
    input names read as the matrix reported them."""
    page = open_page(tree, pyatspi, "EDID", "General")
    lists = [n for n in tree.descendants(page) if n.getRole() == pyatspi.ROLE_COMBO_BOX]
    labels = [labelled_by(pyatspi, each) for each in lists]
    if len(lists) != 5 or not all(labels):
        raise Failure(f"the EDID page's lists and their labels: {labels}")
    name = tree.find(pyatspi.ROLE_LABEL, "IN8 EDID: 1080p,Stereo Audio 2.0", page)
    if not tree.has_state(name, pyatspi.STATE_SHOWING):
        raise Failure("the IN8 EDID name is not showing")


def open_windows_without_shortcuts(tree, pyatspi):
    """The traffic window through the title band's menu button and the menu's entry; the presets
    window through the Matrix page's button. Both read as windows (a frame), not as fillers.

    A pop-up menu is not a child of the application on the bus; a screen reader learns of it as
    it comes up, from the event that it is showing, and so does this test."""
    popups = []

    def on_showing(event):
        if event.detail1 and event.source and event.source.getRole() == pyatspi.ROLE_POPUP_MENU:
            popups.append(event.source)

    pyatspi.Registry.registerEventListener(on_showing, "object:state-changed:showing")
    try:
        tree.press(tree.find(pyatspi.ROLE_PUSH_BUTTON, "Menu"), "Press")
        menu = tree.wait(
            "the window's menu to come up",
            lambda: (popups[-1] if popups else None, "no pop-up menu showed"),
        )
    finally:
        pyatspi.Registry.deregisterEventListener(on_showing, "object:state-changed:showing")
    tree.press(tree.find(pyatspi.ROLE_MENU_ITEM, "Traffic...", menu), "Press")
    tree.find(pyatspi.ROLE_FRAME, "Traffic")
    page = open_matrix_page(tree, pyatspi)
    tree.press(tree.find(pyatspi.ROLE_PUSH_BUTTON, "Presets...", page), "Press")
    tree.find(pyatspi.ROLE_FRAME, "Presets")


# ---------------------------------------------------------------------------------------------


def check_accessibility_bus():
    """The session bus hands out the accessibility bus's address (starting that bus if need be).
    Asked before the accessibility library is loaded: that library aborts the whole test when it
    cannot reach the bus."""
    from gi.repository import Gio, GLib

    try:
        session = Gio.bus_get_sync(Gio.BusType.SESSION, None)
        reply = session.call_sync(
            "org.a11y.Bus", "/org/a11y/bus", "org.a11y.Bus", "GetAddress", None,
            GLib.VariantType("(s)"), Gio.DBusCallFlags.NONE, int(PATIENCE * 1000), None,
        )
    except GLib.Error as error:
        raise Failure(
            f"the accessibility bus cannot be reached: {error.message} "
            "(at-spi2-core installs it; scripts/install-deps installs at-spi2-core)"
        ) from None
    if not reply.unpack()[0]:
        raise Failure("the accessibility bus has no address")


def run(app, sim):
    folder = tempfile.mkdtemp(prefix="quorvane-atspi-")
    processes = Processes(folder)
    try:
        runtime = os.path.join(folder, "runtime")
        bus_runtime = os.path.join(folder, "bus-runtime")
        for path in (runtime, bus_runtime):
            os.mkdir(path, 0o700)
        sim_log = os.path.join(folder, "sim-traffic.log")
        display = start_display(processes)
        # This test and the program find the accessibility bus through the private session bus
        # (the private display holds no pointer to another one).
        os.environ["DBUS_SESSION_BUS_ADDRESS"] = start_session_bus(processes, bus_runtime)
        os.environ["DISPLAY"] = display
        os.environ.pop("AT_SPI_BUS_ADDRESS", None)
        start_simulator(processes, sim, runtime, sim_log)
        program = start_program(processes, app, runtime, display)
        check_accessibility_bus()

        # Imported only now: on import the library connects to the accessibility bus.
        import pyatspi

        pyatspi.Atspi.set_timeout(5000, 15000)
        tree = Tree(pyatspi, processes, program)
        tree.find_application()
        connect_over_com(tree, pyatspi)
        # The simulated matrix starts with output n carrying input n.
        switch_beep(tree, pyatspi, sim_log, processes)
        check_edid_lists(tree, pyatspi)
        page = open_matrix_page(tree, pyatspi)
        route(tree, pyatspi, page, range(1, 9), "B", 3)
        wait_for_frame(sim_log, ROUTE_B_TO_3, processes)
        open_windows_without_shortcuts(tree, pyatspi)

        connect_over_tcp(tree, pyatspi)
        page = open_matrix_page(tree, pyatspi)
        route(tree, pyatspi, page, [1, 3, 3, 4, 5, 6, 7, 8], "C", 5)
        wait_for_frame(sim_log, ROUTE_C_TO_5, processes)
    finally:
        processes.stop_all()
        shutil.rmtree(folder, ignore_errors=True)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--app", default=os.environ.get("QUORVANE_APP"), help="quorvane")
    parser.add_argument("--sim", default=os.environ.get("QUORVANE_SIM"), help="quorvane-sim")
    args = parser.parse_args()
    for name, path in (("--app", args.app), ("--sim", args.sim)):
        if not path or not os.access(path, os.X_OK):
            print(f"accessibility_test: {name} {path!r} is not an executable", file=sys.stderr)
            return 1
    # A termination from CTest's time-out still ends every process the test started.
    signal.signal(signal.SIGTERM, lambda *_: sys.exit("accessibility_test: terminated"))
    try:
        run(args.app, args.sim)
    except Failure as failure:
        print(f"accessibility_test: FAILED: {failure}", file=sys.stderr)
        return 1
    print("accessibility_test: passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
