"""A Wine session for end-to-end runs: an X server, a Japanese-locale prefix, and the helpers
that start the updater, read each message box it shows and answer it with xdotool."""

import os
import re
import shutil
import signal
import subprocess
import tempfile
import time
from dataclasses import dataclass, field
from pathlib import Path

WINE = shutil.which("wine64") or "/usr/lib/wine/wine64"
WINESERVER = shutil.which("wineserver") or "/usr/lib/wine/wineserver"
DISPLAY_NUMBER = 87


def base_environment(work: Path) -> dict:
    env = dict(os.environ)
    env.update({
        "WINEPREFIX": str(work / "prefix"),
        "WINEARCH": "win64",
        "WINEDLLOVERRIDES": "mscoree,mshtml=",
        "WINEDEBUG": "-all",
        "LANG": "ja_JP.UTF-8",
        "LC_ALL": "ja_JP.UTF-8",
        "DISPLAY": f":{DISPLAY_NUMBER}",
    })
    return env


def wine(work: Path, *args, check=True, extra_env=None, timeout=120):
    """Runs a Wine command; output goes through files, never pipes, since the services that
    Wine starts outlive the command and would hold a pipe open."""
    env = base_environment(work)
    if extra_env:
        env.update(extra_env)
    with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
        done = subprocess.run([WINE, *map(str, args)], env=env, timeout=timeout, stdin=subprocess.DEVNULL,
                              stdout=out, stderr=err)
        out.seek(0)
        err.seek(0)
        done.stdout, done.stderr = out.read(), err.read()
    if check and done.returncode != 0:
        raise RuntimeError(f"wine {' '.join(map(str, args))} failed with {done.returncode}: {done.stderr[-2000:]!r}")
    return done


def xdotool(work: Path, *args, check=False):
    return subprocess.run(["xdotool", *map(str, args)], env=base_environment(work), check=check,
                          stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, timeout=30)


def start_session(work: Path):
    """Starts Xvfb and makes a fresh prefix; both outlive this process until stop_session."""
    work.mkdir(parents=True, exist_ok=True)
    stop_session(work)
    shutil.rmtree(work / "prefix", ignore_errors=True)
    lock = Path(f"/tmp/.X{DISPLAY_NUMBER}-lock")
    if lock.exists():
        lock.unlink()
    xvfb = subprocess.Popen(["Xvfb", f":{DISPLAY_NUMBER}", "-screen", "0", "1280x1024x24", "-nolisten", "tcp"],
                            stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                            start_new_session=True)
    (work / "xvfb.pid").write_text(str(xvfb.pid))
    for _ in range(100):
        if xdotool(work, "getdisplaygeometry").returncode == 0:
            break
        time.sleep(0.1)
    else:
        raise RuntimeError("Xvfb did not start")
    # A server that stays up between runs keeps each run quick; it must hold no inherited pipe.
    subprocess.Popen([WINESERVER, "-p"], env=base_environment(work), stdin=subprocess.DEVNULL,
                     stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, start_new_session=True)
    wine(work, "wineboot", "-i", timeout=600)
    # Wine draws the frames itself (with a close button), and traces every MessageBoxA call.
    wine(work, "reg", "add", r"HKCU\Software\Wine\X11 Driver", "/v", "Managed", "/t", "REG_SZ", "/d", "N", "/f")
    wine(work, "reg", "add", r"HKCU\Software\Wine\Debug", "/v", "RelayInclude", "/t", "REG_SZ",
         "/d", "user32.MessageBoxA", "/f")


def stop_session(work: Path):
    subprocess.run([WINESERVER, "-k"], env=base_environment(work), stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL)
    pid_file = work / "xvfb.pid"
    if pid_file.exists():
        try:
            os.kill(int(pid_file.read_text()), signal.SIGTERM)
        except (ProcessLookupError, ValueError):
            pass
        pid_file.unlink()


def unescape_debugstr(text: str) -> bytes:
    """Turns Wine's quoted debug string back into the bytes it shows."""
    out = bytearray()
    i = 0
    simple = {"n": 0x0A, "r": 0x0D, "t": 0x09, "\\": 0x5C, '"': 0x22}
    while i < len(text):
        c = text[i]
        if c == "\\" and i + 1 < len(text):
            n = text[i + 1]
            if n == "x":
                out.append(int(text[i + 2:i + 4], 16))
                i += 4
                continue
            if n in simple:
                out.append(simple[n])
                i += 2
                continue
        out.extend(c.encode("latin-1"))
        i += 1
    return bytes(out)


# Wine cuts long strings short, marking the cut with ... after the closing quote.
CALL = re.compile(r'Call user32\.MessageBoxA\(([0-9a-f]+),[0-9a-f]+ "((?:[^"\\]|\\.)*)"(?:\.\.\.)?,[0-9a-f]+ '
                  r'"((?:[^"\\]|\\.)*)"(?:\.\.\.)?,([0-9a-f]+)\)')
RETURN = re.compile(r"Ret  user32\.MessageBoxA\(\) retval=([0-9a-f]+)")


@dataclass
class Box:
    owner: int
    text_prefix: bytes      # as traced (Wine may cut long strings short)
    caption: bytes
    style: int
    text: bytes = b""       # read back from the box window
    buttons: str = ""
    answer: int = -1
    screenshot: str = ""


@dataclass
class RunResult:
    boxes: list = field(default_factory=list)
    exit_code: int = -1


def read_box_window(work: Path, tools: Path, caption: bytes):
    """The exact text bytes and the buttons of the box with this caption."""
    reader = wine(work, tools / "box_reader.exe", caption.decode("cp932"), check=False)
    if reader.returncode != 0:
        return None, ""
    text, _, rest = reader.stdout.rpartition(b"\n--\n")
    return text, rest.decode().strip()


def find_window(work: Path, caption: bytes, timeout=20.0):
    title = caption.decode("cp932")
    deadline = time.time() + timeout
    while time.time() < deadline:
        found = xdotool(work, "search", "--name", "^" + re.escape(title) + "$")
        ids = found.stdout.split()
        if ids:
            return ids[0].decode()
        time.sleep(0.2)
    return None


def answer_box(work: Path, window: str, how: str):
    if how == "close":
        geometry = dict(line.split("=") for line in
                        xdotool(work, "getwindowgeometry", "--shell", window).stdout.decode().split())
        x = int(geometry["X"]) + int(geometry["WIDTH"]) - 12
        y = int(geometry["Y"]) + 10
        xdotool(work, "mousemove", x, y)
        time.sleep(0.2)
        xdotool(work, "click", 1)
        return
    xdotool(work, "windowfocus", window)
    time.sleep(0.3)
    keys = {"ok": ["Return"], "escape": ["Escape"], "cancel": ["Tab", "space"]}[how]
    for key in keys:
        xdotool(work, "key", key)
        time.sleep(0.1)


def kill_leftovers():
    """Ends updater processes that an interrupted run may have left with a box open."""
    subprocess.run(["pkill", "-f", "QUORLEN_P101.exe"], check=False)
    time.sleep(0.3)


def run_updater(work: Path, tools: Path, exe: Path, answers, shots: Path, name: str, args=(), timeout=90):
    """Runs exe, answering its boxes in turn ("ok", "escape", "cancel", "close"; OK when the list
    runs out), and returns every box it showed with its answer and the exit code."""
    kill_leftovers()
    try:
        return answer_run(work, tools, exe, answers, shots, name, args, timeout)
    finally:
        kill_leftovers()


def answer_run(work, tools, exe, answers, shots, name, args, timeout):
    trace_path = shots / f"{name}.trace"
    env = base_environment(work)
    env["WINEDEBUG"] = "-all,+relay"
    with open(trace_path, "wb") as trace:
        process = subprocess.Popen([WINE, str(exe), *map(str, args)], env=env, stdin=subprocess.DEVNULL,
                                   stdout=subprocess.DEVNULL, stderr=trace)
    result = RunResult()
    answers = list(answers)
    deadline = time.time() + timeout
    seen_calls = 0
    while time.time() < deadline:
        log = trace_path.read_bytes().decode("latin-1")
        calls = CALL.findall(log)
        returns = RETURN.findall(log)
        for owner, text, caption, style in calls[seen_calls:]:
            box = Box(int(owner, 16), unescape_debugstr(text), unescape_debugstr(caption), int(style, 16))
            result.boxes.append(box)
            seen_calls += 1
            window = find_window(work, box.caption)
            if window is None:
                raise RuntimeError(f"no window for the box captioned {box.caption!r}")
            time.sleep(0.5)  # let it paint before the picture
            box.screenshot = str(shots / f"{name}-box{len(result.boxes)}.png")
            geometry = dict(line.split("=") for line in
                            xdotool(work, "getwindowgeometry", "--shell", window).stdout.decode().split())
            crop = f"{geometry['WIDTH']}x{geometry['HEIGHT']}+{geometry['X']}+{geometry['Y']}"
            subprocess.run(["import", "-window", "root", "-crop", crop, box.screenshot], env=env, check=False,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=30)
            box.text, box.buttons = read_box_window(work, tools, box.caption)
            answer_box(work, window, answers.pop(0) if answers else "ok")
            for _ in range(100):
                returns = RETURN.findall(trace_path.read_bytes().decode("latin-1"))
                if len(returns) >= seen_calls:
                    break
                time.sleep(0.1)
            box.answer = int(returns[seen_calls - 1], 16) if len(returns) >= seen_calls else -1
        if process.poll() is not None:
            log = trace_path.read_bytes().decode("latin-1")
            if len(CALL.findall(log)) == seen_calls:
                break
        time.sleep(0.2)
    else:
        process.kill()
        raise RuntimeError(f"{name}: the updater did not finish in {timeout} s")
    result.exit_code = process.wait()
    return result
