"""Headless stations, a PostgreSQL cluster and a film-number server of a run's own,
for the endurance benchmarks: started, stopped and killed at will, and the photos,
rows and tallies they left checked at the end."""

import collections
import glob
import os
import pwd
import random
import re
import shutil
import signal
import socket
import subprocess
import threading
import time

SAVED = re.compile(r"^Photo (\S+) saved \(counter (-?\d+)\)")
NOT_SAVED = "Photo not saved"
# A sanitizer's report in a station's output fails the run.
SANITIZER = re.compile(r"ERROR: AddressSanitizer|ERROR: LeakSanitizer|runtime error:")
COUNTER_SERVER_INSTANCE = 9


# "Thread Priority Class" of a station below normal priority (nice 10).
BELOW_NORMAL_PRIORITY_CLASS = 0x4000


def stop_on_signals():
    """SIGINT and SIGTERM end the run through its clean-up, also when started in
    the background (which ignores SIGINT)."""
    def stop(number, _):
        raise KeyboardInterrupt(f"signal {number}")
    signal.signal(signal.SIGINT, stop)
    signal.signal(signal.SIGTERM, stop)


class Unavailable(RuntimeError):
    """What the run needs is not on this machine."""


def free_port():
    with socket.socket() as probe:
        probe.bind(("127.0.0.1", 0))
        return probe.getsockname()[1]


def counter_base_port():
    """A base port whose instances 1 to COUNTER_SERVER_INSTANCE were free a moment ago.

    The range lies below the kernel's ephemeral ports: there, the TIME-WAIT of
    any earlier client connection (made without SO_REUSEADDR) keeps a port from
    being bound even by a service that sets it."""
    with open("/proc/sys/net/ipv4/ip_local_port_range") as ranges:
        ephemeral_low = int(ranges.read().split()[0])
    for _ in range(50):
        base = random.randrange(10000, max(ephemeral_low, 20000) - COUNTER_SERVER_INSTANCE - 1)
        ports = range(base + 1, base + COUNTER_SERVER_INSTANCE + 1)
        try:
            probes = []
            for port in ports:
                probe = socket.socket()
                probes.append(probe)
                # As the service binds: a port left in TIME-WAIT by an earlier service is free.
                probe.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
                probe.bind(("127.0.0.1", port))
            return base
        except OSError:
            continue
        finally:
            for probe in probes:
                probe.close()
    raise RuntimeError("no free range of loopback ports for the film-number service")


def percentile(values, fraction):
    ordered = sorted(values)
    if not ordered:
        return float("nan")
    return ordered[min(len(ordered) - 1, int(fraction * (len(ordered) - 1) + 0.5))]


class PostgresCluster:
    """A fresh cluster in `folder` on a free loopback port, run as "postgres" when
    the run is root (the server refuses root)."""

    def __init__(self, folder):
        versions = sorted(glob.glob("/usr/lib/postgresql/*/bin/pg_ctl"))
        if not versions:
            raise Unavailable("no PostgreSQL server programs below /usr/lib/postgresql")
        self.bin = os.path.dirname(versions[-1])
        self.folder = folder
        self.port = free_port()
        os.makedirs(folder, exist_ok=True)
        self.owner = []
        if os.geteuid() == 0:
            os.chmod(os.path.dirname(folder), 0o755)
            try:
                user = pwd.getpwnam("postgres")
            except KeyError:
                raise Unavailable("running as root without a postgres user") from None
            os.chown(folder, user.pw_uid, user.pw_gid)
            self.owner = ["/usr/sbin/runuser", "-u", "postgres", "--"]
        self._run("initdb", "-D", self.data, "-A", "trust", "-U", "postgres")

    @property
    def data(self):
        return os.path.join(self.folder, "data")

    def _run(self, program, *arguments):
        with open(os.path.join(self.folder, "server.log"), "a") as log:
            subprocess.run(self.owner + [os.path.join(self.bin, program), *arguments],
                           stdout=log, stderr=log, stdin=subprocess.DEVNULL, check=True)

    def start(self):
        options = f"-p {self.port} -k {self.folder} -c listen_addresses=127.0.0.1 -c fsync=off"
        self._run("pg_ctl", "-D", self.data, "-l", os.path.join(self.folder, "postgres.log"),
                  "-w", "-o", options, "start")

    def stop(self):
        self._run("pg_ctl", "-D", self.data, "-m", "fast", "-w", "stop")

    def stop_quietly(self):
        try:
            self.stop()
        except subprocess.CalledProcessError:
            pass

    def connection(self):
        return (f"Driver=PostgreSQL Unicode;Servername=127.0.0.1;Port={self.port};"
                "Database=postgres;UID=postgres;PWD=;pqopt={connect_timeout=5}")

    def query(self, sql):
        """The first column of the first row, as text."""
        result = subprocess.run(
            ["psql", "-h", "127.0.0.1", "-p", str(self.port), "-U", "postgres", "-At", "-c", sql],
            capture_output=True, text=True, check=True)
        return result.stdout.strip().splitlines()[0] if result.stdout.strip() else ""

    def rows(self, sql):
        result = subprocess.run(
            ["psql", "-h", "127.0.0.1", "-p", str(self.port), "-U", "postgres", "-At", "-F", "\t",
             "-c", sql], capture_output=True, text=True, check=True)
        return [line.split("\t") for line in result.stdout.splitlines() if line]


class Station:
    """One BXGrabber process of instance `instance`, with settings and state below
    `root`. Its output lines are handed to `on_line(station, seconds, line)` from a
    reader thread, each with the monotonic time it arrived."""

    def __init__(self, programs, root, instance, settings, on_line=None, cameras=1, sensor="640x480"):
        self.programs = programs
        self.root = root
        self.instance = instance
        self.on_line = on_line
        self.process = None
        self.reader = None
        self.output_tail = collections.deque(maxlen=200)
        self.sanitizer_reports = []
        self.name = f"BXGrabber{instance}"
        self.events = f"bxsoak.{os.getpid()}.{instance}"
        os.makedirs(self.config_folder, exist_ok=True)
        os.makedirs(self.state_folder, exist_ok=True)
        with open(os.path.join(self.config_folder, self.name + ".ini"), "w") as profile:
            profile.write(settings)
        self.environment = dict(
            os.environ, BX_CONFIG_DIR=self.config_folder, BX_STATE_DIR=self.state_folder,
            BX_SIM_CAMERAS=str(cameras), BX_SIM_SENSOR=sensor, BX_RECONNECT_PERIOD_MS="1000",
            BX_RISE_EVENT=self.events + ".rise", BX_FALL_EVENT=self.events + ".fall")
        self.environment.pop("DISPLAY", None)
        self.environment.pop("WAYLAND_DISPLAY", None)

    @property
    def config_folder(self):
        return os.path.join(self.root, "config")

    @property
    def state_folder(self):
        return os.path.join(self.root, "state")

    @property
    def journal(self):
        return os.path.join(self.state_folder, self.name + ".records")

    @property
    def log(self):
        return os.path.join(self.state_folder, self.name + ".log")

    def start(self, shots=None, interval_ms=0):
        arguments = [os.path.join(self.programs, "BXGrabber"), f"-i{self.instance}", "--headless"]
        if shots is not None:
            arguments += ["--shots", str(shots), "--interval", str(interval_ms)]
        # In its own folder, where what the station keeps beside itself (layout files) goes.
        self.process = subprocess.Popen(
            arguments, env=self.environment, cwd=self.root, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
            stderr=subprocess.STDOUT, text=True, bufsize=1)
        self.reader = threading.Thread(target=self._read, args=(self.process,), daemon=True)
        self.reader.start()

    def _read(self, process):
        for line in process.stdout:
            now = time.monotonic()
            line = line.rstrip("\n")
            self.output_tail.append(line)
            if SANITIZER.search(line):
                self.sanitizer_reports.append(line)
            if self.on_line:
                self.on_line(self, now, line)

    def wait(self):
        """The exit code once the output is read to its end (negative: the signal)."""
        code = self.process.wait()
        self.reader.join()
        return code

    def running(self):
        return self.process is not None and self.process.poll() is None

    def signal(self, number):
        if self.running():
            self.process.send_signal(number)

    def stop(self, limit=60):
        """SIGTERM, and SIGKILL after `limit` seconds; the exit code."""
        if self.process is None:
            return None
        self.signal(signal.SIGTERM)
        try:
            self.process.wait(limit)
        except subprocess.TimeoutExpired:
            self.kill()
        return self.wait()

    def kill(self):
        self.signal(signal.SIGKILL)

    def resources(self):
        """Resident memory (kB), open descriptors and threads of the running process."""
        pid = self.process.pid
        status = {}
        with open(f"/proc/{pid}/status") as lines:
            for line in lines:
                key, _, value = line.partition(":")
                status[key] = value.split()
        return {"rss_kb": int(status["VmRSS"][0]), "fds": len(os.listdir(f"/proc/{pid}/fd")),
                "threads": int(status["Threads"][0])}

    def journal_lines(self):
        return _line_count(self.journal)

    def rejected_lines(self):
        return sum(_line_count(path) for path in glob.glob(self.journal + ".rejected*"))

    def log_lines(self, pattern):
        found = []
        for path in sorted(glob.glob(self.log + "*")):
            with open(path, errors="replace") as text:
                found += [line for line in text if pattern in line]
        return found

    def remove_events(self):
        for suffix in ("rise", "fall"):
            try:
                os.unlink(f"/dev/shm/bxevent2.{self.events}.{suffix}")
            except FileNotFoundError:
                pass


def _line_count(path):
    try:
        with open(path, "rb") as text:
            return sum(1 for _ in text)
    except FileNotFoundError:
        return 0


def station_settings(photo_root, connection, counter_base, server_name, below_normal=False):
    """A simulated-camera station's settings: photos below `photo_root`, rows in
    `connection`, numbers from `server_name` (empty: its own service); the
    station sets its own priority."""
    lines = ["[Camera Settings]", "Camera Transport=sim", "Num Buffers=4",
             "[Database Settings]", f"DatabasePath={photo_root.rstrip('/')}/" if photo_root else "DatabasePath=",
             f"ServerName={server_name}", f"Counter Port={counter_base}",
             "Counter Listen Address=127.0.0.1"]
    if connection:
        lines.append(f"ODBC Default Connection=ODBC;{connection}")
    lines += ["[Program Settings]", "Serial Port=", "Enable Log=1"]
    if below_normal:
        lines.append(f"Thread Priority Class={BELOW_NORMAL_PRIORITY_CLASS}")
    return "\n".join(lines) + "\n"


class CounterServer:
    """A station without a camera that only serves its film-number counter to the
    others, as instance COUNTER_SERVER_INSTANCE."""

    def __init__(self, programs, root, counter_base, below_normal=False):
        self.station = Station(programs, root, COUNTER_SERVER_INSTANCE,
                               station_settings("", "", counter_base, "", below_normal), cameras=0)
        self.address = f"127.0.0.1:{COUNTER_SERVER_INSTANCE}"
        self.port = counter_base + COUNTER_SERVER_INSTANCE

    def start(self):
        self.station.start()
        deadline = time.monotonic() + 30
        while time.monotonic() < deadline:
            try:
                socket.create_connection(("127.0.0.1", self.port), timeout=1).close()
                return
            except OSError:
                if not self.station.running():
                    break
                time.sleep(0.1)
        raise RuntimeError("the film-number server did not start: " + "\n".join(self.station.output_tail))

    def kill(self):
        self.station.kill()
        self.station.wait()


class Shooter:
    """Takes `shots` photos with one station: starts it for the shots still to
    take, again after it ended (killed, or done with some shots refused), until
    they are all saved. Counts what the station said of each shot."""

    STALL_LIMIT = 120

    def __init__(self, station, shots, interval_ms):
        self.station = station
        station.on_line = self.on_line
        self.shots = shots
        self.interval_ms = interval_ms
        self.lock = threading.Lock()
        self.progress = threading.Event()
        self.saved = 0
        self.started_at_saved = 0
        self.reported = {}
        self.reported_twice = []
        self.refused = collections.Counter()
        self.unexpected_exits = []
        self.kills_expected = 0

    def on_line(self, station, now, line):
        with self.lock:
            match = SAVED.match(line)
            if match:
                key = saved_key(match.group(1), int(match.group(2)))
                if key in self.reported:
                    self.reported_twice.append(key)
                self.reported[key] = True
                self.saved += 1
                self.photo_saved(now)
            elif line.startswith(NOT_SAVED):
                reason = line.split("status Ko (", 1)[-1].rsplit("), photos saved", 1)[0]
                self.refused[re.sub(r"\d+", "N", reason)] += 1
                self.shot_refused(now, reason)
            else:
                self.other_line(now, line)
        self.progress.set()

    # Called with the lock held, for a subclass's figures.
    def photo_saved(self, now):
        pass

    def shot_refused(self, now, reason):
        pass

    def other_line(self, now, line):
        pass

    def kill(self):
        """SIGKILL to the station: it is started again for the shots left."""
        with self.lock:
            self.kills_expected += 1
        self.station.kill()

    def run(self, tick=lambda: None):
        """Shoots until every photo is saved; `tick` is called at each line and
        at least twice a second."""
        last_saved, last_progress = self.saved, time.monotonic()
        while self.saved < self.shots:
            with self.lock:
                self.started_at_saved = before = self.saved
                self.run_started()
            self.station.start(self.shots - before, self.interval_ms)
            while self.station.running():
                self.progress.wait(0.5)
                self.progress.clear()
                tick()
            code = self.station.wait()
            with self.lock:
                if code == -signal.SIGKILL and self.kills_expected:
                    self.kills_expected -= 1
                elif code not in (0, 1):
                    self.unexpected_exits.append(f"{self.station.name} ended with {code}: " +
                                                 " | ".join(list(self.station.output_tail)[-5:]))
            if self.saved != last_saved:
                last_saved, last_progress = self.saved, time.monotonic()
            elif time.monotonic() - last_progress > self.STALL_LIMIT:
                raise RuntimeError(f"{self.station.name} saved nothing in {self.STALL_LIMIT} s:\n" +
                                   "\n".join(self.station.output_tail))

    def run_started(self):
        pass

    def problems(self):
        found = list(self.unexpected_exits)
        if self.reported_twice:
            found.append(f"{self.station.name} reported {len(self.reported_twice)} photos twice")
        found += [f"sanitizer: {line}" for line in self.station.sanitizer_reports]
        if self.station.journal_lines():
            found.append(f"{self.station.name} left {self.station.journal_lines()} records in its journal")
        return found


class SharedServices:
    """What the stations of a run share: a PostgreSQL cluster with the station's
    tables and a film-number server, below `root`."""

    def __init__(self, root, programs, below_normal=False):
        self.below_normal = below_normal
        self.counter = None
        self.cluster = PostgresCluster(os.path.join(root, "postgresql"))
        try:
            self.cluster.start()
            create_schema(programs, self.cluster.connection())
            self.base = counter_base_port()
            self.counter = CounterServer(programs, os.path.join(root, "counter"), self.base, below_normal)
            self.counter.start()
        except BaseException:
            self.stop()
            raise

    def station_settings(self, photo_root):
        return station_settings(photo_root, self.cluster.connection(), self.base, self.counter.address,
                                self.below_normal)

    def stop(self):
        if self.counter:
            self.counter.station.stop()
            self.counter.station.remove_events()
        self.cluster.stop_quietly()


def add_run_arguments(parser, repo):
    """The options every run of stations takes."""
    parser.add_argument("--interval", type=int, default=50,
                        help="pause after each photo before the next shot, ms (default 50)")
    parser.add_argument("--outage", type=float, default=2.0, help="seconds each fault lasts (default 2)")
    parser.add_argument("--programs", default=os.path.join(repo, "build", "bin"),
                        help="folder of BXGrabber and bxdb (default: build/bin of this checkout)")
    parser.add_argument("--sensor", default="640x480", help="simulated sensor, WIDTHxHEIGHT (default 640x480)")
    parser.add_argument("--nice", action="store_true",
                        help="run the stations below normal priority (nice 10) on a shared machine")
    parser.add_argument("--keep", action="store_true", help="keep the run's temporary folder")


def create_schema(programs, connection):
    subprocess.run([os.path.join(programs, "bxdb"), "--connect", connection, "schema"],
                   check=True, capture_output=True, text=True)


def photos_on_disk(photo_root):
    """Every photo below the tree, keyed by (film, counter), with whether it is a
    whole JPEG; and the partial files left."""
    photos, partial = {}, []
    images = os.path.join(photo_root, "images")
    for folder, _, files in os.walk(images):
        for name in files:
            path = os.path.join(folder, name)
            if name.startswith(".") and name.endswith(".partial"):
                partial.append(path)
            match = re.fullmatch(r"img(\d+)\.jpg", name)
            if match:
                photos[(int(os.path.basename(folder)), int(match.group(1)))] = is_whole_jpeg(path)
    return photos, partial


def is_whole_jpeg(path):
    with open(path, "rb") as image:
        data = image.read()
    # The embedded thumbnail and its trailer follow the JPEG's own end marker.
    return data[:2] == b"\xff\xd8" and b"\xff\xd9" in data[-70000:]


def check_records(cluster, photos, reported):
    """Compares the photos on disk, the photos the stations reported saved and
    the database's rows and tallies; a dictionary of figures, the failures under
    "problems"."""
    rows = cluster.rows('SELECT "RULLINO", "CONTATORE" FROM "Fotografie"')
    keys = collections.Counter((int(film), int(counter)) for film, counter in rows)
    tally = int(cluster.query('SELECT COALESCE(SUM("IMPORTATE"), 0) FROM "Story"') or 0)
    rowless = sorted(key for key in photos if key not in keys)
    figures = {
        "photos on disk": len(photos),
        "photos reported saved": len(reported),
        "rows": len(rows),
        "distinct film/counter pairs": len(keys),
        "tally": tally,
        "photos lost": len([key for key in reported if key not in photos]),
        "photos corrupt": len([key for key, whole in photos.items() if not whole]),
        "rows lost": len(rowless),
        "rows duplicated": sum(count - 1 for count in keys.values()),
        "rows without photo": len([key for key in keys if key not in photos]),
    }
    problems = [f"{name}: {figures[name]}" for name in
                ("photos lost", "photos corrupt", "rows lost", "rows duplicated", "rows without photo")
                if figures[name]]
    figures["photos without a row"] = rowless
    if tally != len(photos):
        problems.append(f"tally {tally} is not the {len(photos)} photos")
    figures["problems"] = problems
    return figures


def saved_key(path, counter):
    return (int(os.path.basename(os.path.dirname(path))), counter)


def remove_tree(folder):
    shutil.rmtree(folder, ignore_errors=True)
