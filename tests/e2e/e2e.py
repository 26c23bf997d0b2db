#!/usr/bin/env python3
"""End-to-end scenarios: the real updater under Wine, its boxes answered with xdotool, its
effects checked from Linux.

    e2e.py setup --work DIR                     start Xvfb and make a fresh Japanese prefix
    e2e.py run SCENARIO --work DIR --build DIR  run one scenario
    e2e.py teardown --work DIR                  stop the session
    e2e.py list                                 the scenarios
"""

import argparse
import os
import shutil
import subprocess
import sys
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
import wine_session as ws  # noqa: E402

CAPTION = b"QUORLEN 1.01"
MB_OK, MB_OKCANCEL_QUESTION = 0x00, 0x21
IDOK, IDCANCEL = 1, 2
EXE_STAMP, SCRIPT_STAMP = 1225762634, 1225530773

NOT_INSTALLED = "Ostrevaneがインストールされていません。".encode("cp932")
EXE_NOT_FOUND = "QUORLEN.exeが見つかりません。".encode("cp932")
CONFIRM = "Ostrevane Ver1.01\nにアップデートします。\n書き換えてよろしいですか？".encode("cp932")
FINISHED = "プログラムの更新が終了しました。".encode("cp932")
CANNOT_WRITE_TAIL = "\nに書き込みできません。".encode("cp932")
DISK_FULL = ("書き込みに失敗しました。\nディスク領域が不足しています。\n"
             "ディスクの空き領域を増やしてから、もう一度実行してください。").encode("cp932")
RESOURCE_NOT_FOUND = "リソースが見つかりません".encode("cp932")


class Context:
    def __init__(self, name, work: Path, build: Path, source: Path):
        self.name, self.work, self.build, self.source = name, work, build, source
        self.drive_c = work / "prefix" / "drive_c"
        self.game = self.drive_c / "Ostrevane"
        self.data_dir = "C:\\Ostrevane"
        self.exe = build / "QUORLEN_P101.exe"
        self.shots = build / "e2e"
        self.shots.mkdir(exist_ok=True)
        self.old_game = (build / "demo" / "demo_game_100.exe").read_bytes()
        self.new_game = (build / "demo" / "demo_game_101.exe").read_bytes()
        self.new_script = (source / "demo" / "MAIN.MES").read_bytes()
        self.cleanups = []

    def reg(self, *args, check=True):
        return ws.wine(self.work, "reg", *args, check=check)

    def set_data_dir(self, value):
        self.reg("delete", r"HKCU\Software\Tavrel", "/f", check=False)
        if value is None:
            return
        if value is False:  # the key without the value
            self.reg("add", r"HKCU\Software\Tavrel\QUORLEN", "/f")
            return
        self.reg("add", r"HKCU\Software\Tavrel\QUORLEN", "/v", "DataDir", "/t", "REG_SZ", "/d", value, "/f")

    def install(self, folder: Path = None, data_dir=None):
        folder = folder or self.game
        if folder.exists():
            subprocess.run(["chmod", "-R", "u+w", str(folder)], check=False)
            shutil.rmtree(folder)
        folder.mkdir(parents=True)
        (folder / "QUORLEN.exe").write_bytes(self.old_game)
        os.utime(folder / "QUORLEN.exe", (1000000000, 1000000000))
        self.set_data_dir(data_dir if data_dir is not None else self.data_dir)
        return folder

    def map_drive(self, letter, target: Path):
        link = self.work / "prefix" / "dosdevices" / f"{letter}:"
        if link.is_symlink() or link.exists():
            link.unlink()
        link.symlink_to(target)
        self.cleanups.append(link.unlink)


def expect(condition, message):
    if not condition:
        raise AssertionError(message)


def expect_boxes(result, expected):
    shown = [(b.text, b.caption, b.style) for b in result.boxes]
    expect(len(shown) == len(expected), f"boxes shown: {shown!r}\nexpected: {expected!r}")
    for i, (box, (text, caption, style)) in enumerate(zip(result.boxes, expected)):
        expect(box.owner == 0, f"box {i} has an owner window")
        expect(box.caption == caption, f"box {i} caption {box.caption!r}, expected {caption!r}")
        expect(box.style == style, f"box {i} style {box.style:#x}, expected {style:#x}")
        expect(box.text == text, f"box {i} text {box.text!r}, expected {text!r}")
        expect(text.startswith(box.text_prefix), f"box {i} traced text {box.text_prefix!r}")
        buttons = "ok=1 cancel=1 icon=1" if style == MB_OKCANCEL_QUESTION else "ok=1 cancel=0 icon=0"
        expect(box.buttons == buttons, f"box {i} has {box.buttons}, expected {buttons}")
        expect(Path(box.screenshot).exists(), f"box {i} screenshot missing")
    expect(result.exit_code == 0, f"exit code {result.exit_code}")


def expect_updated(ctx, folder: Path):
    exe, script = folder / "QUORLEN.exe", folder / "AdvData" / "MES" / "MAIN.MES"
    for path, stamp in ((exe, EXE_STAMP), (script, SCRIPT_STAMP)):
        info = path.stat()  # before reading, which may touch the access time
        expect(int(info.st_mtime) == stamp and int(info.st_atime) == stamp,
               f"{path.name} times {int(info.st_mtime)}/{int(info.st_atime)}, expected {stamp}")
    expect(exe.read_bytes() == ctx.new_game, "the executable is not the new game byte for byte")
    expect(script.read_bytes() == ctx.new_script, "the script is not the new script byte for byte")
    expect_no_temporary(folder)


def expect_no_temporary(folder: Path):
    leftovers = [p for p in folder.rglob("~QL*")]
    expect(not leftovers, f"temporary files left: {leftovers}")


def expect_game_reports(ctx, folder_windows, version):
    run = ws.wine(ctx.work, folder_windows + "\\QUORLEN.exe", "--version", check=False)
    expect(run.returncode == version, f"the game reports {run.returncode}, expected {version}")


def run(ctx, answers=(), exe=None, args=()):
    return ws.run_updater(ctx.work, ctx.build / "e2e-tools", exe or ctx.exe, answers, ctx.shots, ctx.name, args)


def confirm():
    return (CONFIRM, CAPTION, MB_OKCANCEL_QUESTION)


def box(text):
    return (text, CAPTION, MB_OK)


# ---- scenarios -------------------------------------------------------------------------------

def no_key(ctx):
    ctx.install(data_dir=None)
    ctx.set_data_dir(None)
    expect_boxes(run(ctx), [box(NOT_INSTALLED)])


def no_value(ctx):
    ctx.install()
    ctx.set_data_dir(False)
    expect_boxes(run(ctx), [box(NOT_INSTALLED)])


def empty_value(ctx):
    ctx.install()
    ctx.set_data_dir("")
    expect_boxes(run(ctx), [box(NOT_INSTALLED)])


def executable_missing(ctx):
    ctx.install()
    (ctx.game / "QUORLEN.exe").unlink()
    expect_boxes(run(ctx), [box(EXE_NOT_FOUND)])
    expect(not (ctx.game / "AdvData").exists(), "a directory was created")


def executable_is_a_directory(ctx):
    ctx.install()
    (ctx.game / "QUORLEN.exe").unlink()
    (ctx.game / "QUORLEN.exe").mkdir()
    expect_boxes(run(ctx), [confirm(), box(b"C:\\Ostrevane\\QUORLEN.exe" + CANNOT_WRITE_TAIL)])
    expect((ctx.game / "QUORLEN.exe").is_dir(), "the directory was replaced")


def declined(how):
    def scenario(ctx):
        ctx.install()
        result = run(ctx, [how])
        expect_boxes(result, [confirm()])
        expect(result.boxes[0].answer == IDCANCEL, f"answer {result.boxes[0].answer}")
        expect((ctx.game / "QUORLEN.exe").read_bytes() == ctx.old_game, "the executable changed")
        expect(sorted(p.name for p in ctx.game.iterdir()) == ["QUORLEN.exe"], "something was created")
    return scenario


def update(ctx):
    ctx.install()
    result = run(ctx)
    expect_boxes(result, [confirm(), box(FINISHED)])
    expect(result.boxes[0].answer == IDOK, "the confirmation was not answered OK")
    expect_updated(ctx, ctx.game)
    expect_game_reports(ctx, ctx.data_dir, 101)


def update_with_trailing_backslash(ctx):
    ctx.install(data_dir="C:\\Ostrevane\\")
    expect_boxes(run(ctx), [confirm(), box(FINISHED)])
    expect_updated(ctx, ctx.game)


def update_with_arguments(ctx):
    ctx.install()
    expect_boxes(run(ctx, args=["/S", "--force", "C:\\elsewhere"]), [confirm(), box(FINISHED)])
    expect_updated(ctx, ctx.game)


def update_at_drive_root(ctx):
    root = ctx.work / "drive-r"
    ctx.install(folder=root, data_dir="R:\\")
    ctx.map_drive("r", root)
    expect_boxes(run(ctx), [confirm(), box(FINISHED)])
    expect_updated(ctx, root)
    expect_game_reports(ctx, "R:", 101)


def script_directories_present(ctx):
    ctx.install()
    (ctx.game / "AdvData" / "MES").mkdir(parents=True)
    (ctx.game / "AdvData" / "MES" / "MAIN.MES").write_bytes(b"old script, longer than nothing" * 100)
    expect_boxes(run(ctx), [confirm(), box(FINISHED)])
    expect_updated(ctx, ctx.game)


def file_named_advdata(ctx):
    ctx.install()
    (ctx.game / "AdvData").write_bytes(b"not a directory")
    expect_boxes(run(ctx), [confirm(), box(b"C:\\Ostrevane\\AdvData\\MES\\MAIN.MES" + CANNOT_WRITE_TAIL)])
    expect((ctx.game / "QUORLEN.exe").read_bytes() == ctx.new_game, "the executable was not updated first")
    expect((ctx.game / "AdvData").read_bytes() == b"not a directory", "AdvData changed")
    expect_no_temporary(ctx.game)


def read_only_executable(ctx):
    ctx.install()
    (ctx.game / "QUORLEN.exe").chmod(0o444)
    expect_boxes(run(ctx), [confirm(), box(b"C:\\Ostrevane\\QUORLEN.exe" + CANNOT_WRITE_TAIL)])
    expect((ctx.game / "QUORLEN.exe").read_bytes() == ctx.old_game, "the read-only executable changed")
    expect(not (ctx.game / "AdvData").exists(), "a directory was created after the failure")
    expect_no_temporary(ctx.game)


def executable_held_open(ctx):
    ctx.install()
    env = ws.base_environment(ctx.work)
    said = ctx.shots / f"{ctx.name}.holder"
    with open(said, "wb") as out:
        holder = subprocess.Popen([ws.WINE, str(ctx.build / "e2e-tools" / "file_holder.exe"),
                                   "C:\\Ostrevane\\QUORLEN.exe"], env=env, stdin=subprocess.DEVNULL,
                                  stdout=out, stderr=subprocess.DEVNULL)
    try:
        for _ in range(100):
            if said.read_bytes().strip() == b"holding" or holder.poll() is not None:
                break
            time.sleep(0.1)
        expect(said.read_bytes().strip() == b"holding", "the holder could not open the file")
        expect_boxes(run(ctx), [confirm(), box(b"C:\\Ostrevane\\QUORLEN.exe" + CANNOT_WRITE_TAIL)])
    finally:
        holder.kill()
        holder.wait()
    expect((ctx.game / "QUORLEN.exe").read_bytes() == ctx.old_game, "the held executable changed")
    expect_no_temporary(ctx.game)


def full_disk(ctx):
    if os.geteuid() != 0:
        print("SKIP: mounting a small tmpfs needs root")
        return
    disk = ctx.work / "disk"
    subprocess.run(["umount", str(disk)], stderr=subprocess.DEVNULL, check=False)
    disk.mkdir(exist_ok=True)
    page = 4096
    old_pages = (len(ctx.old_game) + page - 1) // page
    new_pages = (len(ctx.new_game) + page - 1) // page
    size = (old_pages + max(1, new_pages // 2)) * page  # the old one fits, the new one beside it does not
    subprocess.run(["mount", "-t", "tmpfs", "-o", f"size={size}", "tmpfs", str(disk)], check=True)
    ctx.cleanups.append(lambda: subprocess.run(["umount", str(disk)], check=False))
    folder = disk / "Ostrevane"
    ctx.install(folder=folder, data_dir="T:\\Ostrevane")
    ctx.map_drive("t", disk)
    before = (folder / "QUORLEN.exe").stat()
    expect_boxes(run(ctx), [confirm(), box(DISK_FULL)])
    after = (folder / "QUORLEN.exe").stat()
    expect((folder / "QUORLEN.exe").read_bytes() == ctx.old_game, "the old executable was not kept byte for byte")
    expect(after.st_mtime == before.st_mtime, "the old executable's time changed")
    expect_no_temporary(folder)
    expect(not (folder / "AdvData").exists(), "a directory was created after the failure")


def without_script_payload(ctx):
    ctx.install()
    result = run(ctx, exe=ctx.build / "without-script" / "QUORLEN_P101.exe")
    expect_boxes(result, [confirm(), (RESOURCE_NOT_FOUND, b"MAIN.PCK", MB_OK)])
    expect((ctx.game / "QUORLEN.exe").read_bytes() == ctx.new_game, "the executable was not written first")
    expect(not (ctx.game / "AdvData" / "MES" / "MAIN.MES").exists(), "a script was written")


def long_path_in_cannot_write_box(ctx):
    # C:\ + a directory of 208 bytes gives a script path of exactly 232 bytes.
    parts, left = [], 211 - len("C:")
    while left > 0:
        piece = min(left - 1, 60)
        parts.append("d" * piece)
        left -= piece + 1
    relative = "\\".join(parts)
    data_dir = "C:\\" + relative
    expect(len(data_dir) == 211, f"directory of {len(data_dir)} bytes")
    folder = ctx.drive_c.joinpath(*parts)
    ctx.install(folder=folder, data_dir=data_dir)
    (folder / "AdvData").write_bytes(b"x")
    path = (data_dir + "\\AdvData\\MES\\MAIN.MES").encode()
    expect(len(path) == 232, f"path of {len(path)} bytes")
    expect_boxes(run(ctx), [confirm(), box(path + CANNOT_WRITE_TAIL)])
    expect(len(path + CANNOT_WRITE_TAIL) == 255, "the text is not 255 bytes")
    shutil.rmtree(ctx.drive_c / parts[0])


SCENARIOS = {
    "no_key": no_key,
    "no_value": no_value,
    "empty_value": empty_value,
    "executable_missing": executable_missing,
    "executable_is_a_directory": executable_is_a_directory,
    "cancel": declined("cancel"),
    "escape": declined("escape"),
    "close_button": declined("close"),
    "update": update,
    "update_with_trailing_backslash": update_with_trailing_backslash,
    "update_with_arguments": update_with_arguments,
    "update_at_drive_root": update_at_drive_root,
    "script_directories_present": script_directories_present,
    "file_named_advdata": file_named_advdata,
    "read_only_executable": read_only_executable,
    "executable_held_open": executable_held_open,
    "full_disk": full_disk,
    "without_script_payload": without_script_payload,
    "long_path_in_cannot_write_box": long_path_in_cannot_write_box,
}


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("command", choices=["setup", "teardown", "run", "list"])
    parser.add_argument("scenario", nargs="?")
    parser.add_argument("--work", type=Path)
    parser.add_argument("--build", type=Path)
    parser.add_argument("--source", type=Path, default=Path(__file__).resolve().parents[2])
    options = parser.parse_args()
    if options.command == "list":
        print("\n".join(SCENARIOS))
        return 0
    if options.command == "setup":
        ws.start_session(options.work)
        return 0
    if options.command == "teardown":
        ws.stop_session(options.work)
        return 0
    ctx = Context(options.scenario, options.work, options.build, options.source)
    started = time.time()
    try:
        SCENARIOS[options.scenario](ctx)
    finally:
        for cleanup in reversed(ctx.cleanups):
            cleanup()
    print(f"{options.scenario}: passed in {time.time() - started:.1f} s; screenshots in {ctx.shots}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
