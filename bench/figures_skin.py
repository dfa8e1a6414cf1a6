"""Skin figures: the release executable's size and the images' share of it
(read from its resource section), and the time to show and dismiss the
skinned message box against the system's MessageBoxW in the same run."""
import re
import sys

from bench import ROOT, figure

sys.path.insert(0, str(ROOT / "tests" / "static"))
from pe import PE  # noqa: E402

SIZE_GOAL = 1.5 * 1024 * 1024
RT_BITMAP, RT_ICON, RT_GROUP_ICON = 2, 3, 14
ROUNDS = 15


def resource_sizes(path):
    """Bytes of resource data by type (an int, or the type's name) in a PE file."""
    sizes = {}
    for (kind, _, _), data in PE(path).resources().items():
        sizes[kind] = sizes.get(kind, 0) + len(data)
    return sizes


@figure
def skin_size(ctx):
    exe = (ctx.win32 / "vexa.exe").resolve()
    size = exe.stat().st_size
    shown = exe.relative_to(ROOT) if ROOT in exe.parents else exe
    kinds = resource_sizes(exe)
    png = kinds.get("PNG", 0)
    icon = kinds.get(RT_ICON, 0) + kinds.get(RT_GROUP_ICON, 0)
    bitmap = kinds.get(RT_BITMAP, 0)
    images = png + icon + bitmap
    return [
        f"skin size: {shown} = {size} bytes ({size / 1048576:.2f} MiB, goal at most 1.50 MiB: "
        f"{'met' if size <= SIZE_GOAL else 'MISSED'})",
        f"skin size: images {images} bytes = {100 * images / size:.1f} % of it (login bitmap {bitmap}, "
        f"icon {icon}, 47 PNGs {png}); the rest {size - images} bytes",
    ]


@figure
def message_box_time(ctx):
    return [_message_box_time(ctx, "win32", "i686 release, Wine 10"), _message_box_time(ctx, "win64", "x86_64, Wine 8")]


def _message_box_time(ctx, tier, machine):
    exe = ctx.out / f"skin_probe-{tier}.exe"
    ctx.mingw(ROOT / "bench" / "skin_probe.cpp", exe, ctx.client_code(tier, resources=True), tier=tier)
    w = ctx.wine(tier)
    probe = w.put_file(exe, r"C:\bench\skin_probe.exe")
    # Without a window manager Wine waits up to 2 s for one whenever it hides
    # a managed window, for either box alike; unmanaged windows show what the
    # boxes themselves cost.
    driver = r"HKCU\Software\Wine\X11 Driver"
    w.reg_add(driver, "Managed", "N")
    try:
        out = w.run([probe, str(ROUNDS)], timeout=600).stdout
    finally:
        w.run(["reg", "delete", driver, "/v", "Managed", "/f"])
    times = dict((k, float(v)) for k, v in re.findall(r"(skinned|system) ([0-9.]+)", out))
    if set(times) != {"skinned", "system"}:
        raise RuntimeError(f"skin_probe printed {out!r}")
    return (f"message box ({machine}), shown and answered (median of {ROUNDS}): skinned "
            f"{times['skinned'] * 1000:.1f} ms, MessageBoxW {times['system'] * 1000:.1f} ms, "
            f"ratio {times['skinned'] / times['system']:.2f}")
