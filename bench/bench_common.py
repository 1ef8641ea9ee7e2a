"""What the console benchmarks share: the simulator, the programs of a build,
and a measured run of a command (wall and CPU time, peak memory, the most
descriptors and threads it held), inside the private namespace they re-run
themselves in."""
import os, resource, subprocess, sys, tempfile, time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))

def in_namespace(script, build, arguments):
    """Builds what is missing, then runs SCRIPT again inside a private network namespace."""
    if os.environ.get("QUELVAR_IN_NETNS") == "1":
        return
    if not os.access(os.path.join(build, "src/ui/console/quelvarinit-cli"), os.X_OK):
        subprocess.run(["cmake", "--preset", "release"], cwd=ROOT, check=True, stdout=subprocess.DEVNULL)
        subprocess.run(["cmake", "--build", build, "--target", "quelvarinit-cli", "quelvar-sim"],
                       cwd=ROOT, check=True)
    os.execv(os.path.join(ROOT, "scripts/netns-run"),
             ["netns-run", sys.executable, os.path.abspath(script), *arguments, build])

def start_sim(build, modules):
    """Simulated modules on 127.0.0.2 and on; returns once every one answers."""
    sim = subprocess.Popen([os.path.join(build, "src/sim/quelvar-sim"), "--modules", str(modules)],
                           stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
    for line in sim.stdout:
        if line.strip() == "ready":
            break
    return sim

def stop_sim(sim):
    sim.terminate()
    sim.wait()

def module_address(index):
    """Where the simulator puts module INDEX."""
    host = 2 + index
    return f"127.0.{host // 256}.{host % 256}"

def cli(build, *arguments):
    return [os.path.join(build, "src/ui/console/quelvarinit-cli"), *arguments]

def measured(command, cwd):
    """Runs a command; returns wall seconds, its CPU seconds, its peak RSS (MiB),
    the most fds and threads it held (sampled), its exit status and its output.
    QUELVAR_BENCH_WRAP puts a profiler before the command, e.g.
    "strace -f -c -o /tmp/calls.txt" or "perf record -g -o /tmp/perf.data"."""
    command = os.environ.get("QUELVAR_BENCH_WRAP", "").split() + list(command)
    # The output goes to a file: a pipe read only at the end would hold a
    # summary of a thousand rows, larger than the pipe, and the command with it.
    output_file = tempfile.TemporaryFile(mode="w+")
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    start = time.monotonic()
    process = subprocess.Popen(command, cwd=cwd, stdout=output_file, stderr=subprocess.DEVNULL,
                               stdin=subprocess.DEVNULL, text=True)
    most_fds, most_threads, peak_kib = 0, 0, 0
    fd_folder, status_file = f"/proc/{process.pid}/fd", f"/proc/{process.pid}/status"
    while process.poll() is None:
        try:
            most_fds = max(most_fds, len(os.listdir(fd_folder)))
            with open(status_file) as status:
                for line in status:
                    if line.startswith("VmHWM:"): peak_kib = max(peak_kib, int(line.split()[1]))
                    if line.startswith("Threads:"): most_threads = max(most_threads, int(line.split()[1]))
        except (OSError, ValueError): pass
        time.sleep(0.05)
    wall = time.monotonic() - start
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    cpu = (after.ru_utime - before.ru_utime) + (after.ru_stime - before.ru_stime)
    output_file.seek(0)
    output = output_file.read()
    output_file.close()
    return wall, cpu, peak_kib / 1024.0, most_fds, most_threads, process.returncode, output

HEADER = (f"{'run':<28}{'wall s':>9}{'x one':>8}{'CPU s':>8}{'CPU %':>7}{'peak MiB':>10}"
          f"{'max fds':>9}{'threads':>9}  result")

def row(name, figures, one):
    wall, cpu, rss, fds, threads, status, summary = figures
    return (f"{name:<28}{wall:9.2f}{wall / one:8.2f}{cpu:8.2f}{100 * cpu / wall:7.2f}"
            f"{rss:10.1f}{fds:9d}{threads:9d}  exit {status}: {summary}")

def last_line(output):
    return output.strip().splitlines()[-1] if output.strip() else "(no summary)"
