#!/usr/bin/env python3
"""The promptloom command with a big list piped in: time to the first frame and resident memory.

    bench/promptloom_cli_pipe.py [--program PATH] [--runs N] [COUNT ...]     (default 1000000 10000000)

The items are the numbers 1..COUNT, one per line (like `seq COUNT`), fed by `cat` from a file
through a pipe into `promptloom choose`, which draws on a pseudo-terminal of 100x30 (this script
answers its cursor query). The clock runs from the start of the command until the frame with the
first item has arrived; then the resident set (VmRSS, the steady state while the menu is shown)
and its peak so far (VmHWM) are read from /proc, and Escape ends the menu. Medians of N runs.
Needs a Release build: cmake --preset native-bench && cmake --build --preset native-bench
--target promptloom_cli (the default program).
"""
import argparse, fcntl, os, pty, select, signal, statistics, struct, subprocess, sys, tempfile, termios, time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


def proc_kib(pid, field):
    with open(f'/proc/{pid}/status') as f:
        for line in f:
            if line.startswith(field + ':'):
                return int(line.split()[1])
    return 0


def one_run(program, items_file, count):
    master, slave = pty.openpty()
    fcntl.ioctl(slave, termios.TIOCSWINSZ, struct.pack('HHHH', 30, 100, 0, 0))

    def child_setup():  # the pseudo-terminal becomes the controlling terminal: /dev/tty
        os.setsid()
        fcntl.ioctl(slave, termios.TIOCSCTTY, 0)

    feeder = subprocess.Popen(['cat', items_file], stdout=subprocess.PIPE)
    start = time.perf_counter()
    proc = subprocess.Popen([program, 'choose'], stdin=feeder.stdout, stdout=subprocess.PIPE,
                            stderr=slave, preexec_fn=child_setup, pass_fds=(slave,))
    feeder.stdout.close()
    os.close(slave)
    seen = b''
    first_frame = None
    rss = hwm = 0
    while first_frame is None:
        ready, _, _ = select.select([master], [], [], 120)
        if not ready:
            proc.kill()
            raise RuntimeError('no frame within 120 s')
        chunk = os.read(master, 65536)
        seen += chunk
        if b'\x1b[6n' in chunk:
            os.write(master, b'\x1b[1;1R')
        if b'1. 1' in seen:
            first_frame = time.perf_counter() - start
            rss = proc_kib(proc.pid, 'VmRSS')
            hwm = proc_kib(proc.pid, 'VmHWM')
    os.write(master, b'\x1b')
    deadline = time.time() + 10
    while proc.poll() is None and time.time() < deadline:
        if select.select([master], [], [], 0.1)[0]:
            try:
                os.read(master, 65536)
            except OSError:
                break
    if proc.poll() is None:
        proc.send_signal(signal.SIGKILL)
    proc.wait()
    feeder.wait()
    os.close(master)
    return first_frame, rss, hwm


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument('--program', default=os.path.join(ROOT, 'build/native-bench/bin/promptloom'))
    ap.add_argument('--runs', type=int, default=5)
    ap.add_argument('counts', nargs='*', type=int, default=[1000000, 10000000])
    args = ap.parse_args()
    print('| items | first frame | steady RSS | peak RSS | peak / steady | peak bytes per item |')
    print('|---:|---:|---:|---:|---:|---:|')
    with tempfile.TemporaryDirectory() as tmp:
        for count in args.counts:
            items = os.path.join(tmp, 'items')
            with open(items, 'w') as f:
                f.write(''.join(f'{i}\n' for i in range(1, count + 1)))
            runs = [one_run(args.program, items, count) for _ in range(args.runs)]
            ms = statistics.median(r[0] for r in runs) * 1000
            rss = statistics.median(r[1] for r in runs) / 1024
            hwm = statistics.median(r[2] for r in runs) / 1024
            print(f'| {count:,} | {ms:.0f} ms | {rss:.1f} MiB | {hwm:.1f} MiB | {hwm / rss:.2f} | '
                  f'{hwm * 1048576 / count:.1f} |', flush=True)


if __name__ == '__main__':
    sys.exit(main())
