"""The skin on screen, black box: the skinned message box of the uninstall
question (face, Chinese glyphs, a button's hover look, dragging by the face)
and the mask dialog's face."""
import time

import wine
from client import CLIENT, installed_path
from scenario import scenario
from wine import image_rgba, screen_rgb, wait_until

SKIN = wine.ROOT / "res" / "skin" / "png"
BOX = (256, 110)
OK_BUTTON = (36, 66, 82, 34)  # x, y, width, height in the box
TITLE_BOX = (78, 8, 100, 25)
TEXT_BOX = (28, 35, 200, 30)
TEXT_COLOUR = (0xFF, 0xEC, 0xF7)


def show_uninstall_question(w):
    """Starts the installed client with "-u"; returns the box's X id and
    its screen rectangle, the pointer parked away from it."""
    target = installed_path(w)
    w.put_file(CLIENT, target)
    w.xdotool("mousemove", 5, 5)
    w.launch(target, target + " -u")
    wid = w.wait_window("卸载")
    return wid, w.geometry(wid)


def near(a, b, tolerance):
    return all(abs(x - y) <= tolerance for x, y in zip(a, b))


def ink_columns(rows, threshold):
    """The columns of a pixel block that hold a pixel brighter than threshold."""
    return [col for col in range(len(rows[0])) if any(sum(row[col]) > threshold for row in rows)]


def hover_colour(rgba):
    """An opaque pixel of a hover image as the button shows it: each channel
    c becomes 1.05 c + 0.05 (0-1 scale), clamped."""
    return tuple(min(255, round(c * 1.05 + 0.05 * 255)) for c in rgba[:3])


@scenario
def skinned_message_box(w):
    """The uninstall question in the skinned box: the face, a title of two
    different glyphs and the text in its colour; the OK button's hover look
    comes and goes with the pointer; the face drags the box."""
    wid, (x, y, cx, cy) = show_uninstall_question(w)
    assert (cx, cy) == BOX, (cx, cy)

    face = screen_rgb(w, x, y, cx, cy)
    back = image_rgba(SKIN / "306.png")
    for px, py in ((1, 1), (128, 3), (250, 60), (5, 105), (128, 104)):  # away from texts and buttons
        assert near(face[py][px], back[py][px][:3], 2), (px, py, face[py][px], back[py][px])

    # The title "卸载": white ink whose two halves differ (missing glyphs
    # would be two equal boxes, a missing font no ink at all).
    tx, ty, tw, th = TITLE_BOX
    title = [row[tx:tx + tw] for row in face[ty:ty + th]]
    cols = ink_columns(title, 600)
    assert len(cols) >= 16, cols
    left, right = cols[0], cols[-1] + 1
    half = (right - left) // 2
    glyph_a = [[sum(p) > 600 for p in row[left:left + half]] for row in title]
    glyph_b = [[sum(p) > 600 for p in row[left + half:left + 2 * half]] for row in title]
    assert sum(a != b for ra, rb in zip(glyph_a, glyph_b) for a, b in zip(ra, rb)) > 10, "the two glyphs look alike"
    bx, by, bw, bh = TEXT_BOX
    text_ink = sum(near(p, TEXT_COLOUR, 40) for row in face[by:by + bh] for p in row[bx:bx + bw])
    assert text_ink > 50, text_ink

    # Hover: the OK button shows its hover image (315) brightened; leaving
    # restores the normal look exactly.
    ox, oy, ow, oh = OK_BUTTON
    normal = screen_rgb(w, x + ox, y + oy, ow, oh)
    w.xdotool("mousemove", x + ox + ow // 2, y + oy + oh // 2)
    hovered = wait_until(lambda: (lambda s: s if s != normal else None)(screen_rgb(w, x + ox, y + oy, ow, oh)),
                         timeout=5, what="the hover look")
    w.screenshot("hover", window=wid)
    hover_image = image_rgba(SKIN / "315.png")
    checked = 0
    for py in range(4, oh - 4, 3):
        for px in range(4, ow - 4, 3):
            if hover_image[py][px][3] == 255:
                expected = hover_colour(hover_image[py][px])
                assert near(hovered[py][px], expected, 3), (px, py, hovered[py][px], expected)
                checked += 1
    assert checked > 100, checked
    w.xdotool("mousemove", 5, 5)
    wait_until(lambda: screen_rgb(w, x + ox, y + oy, ow, oh) == normal, timeout=5, what="the normal look again")

    # Dragging the face (between the title and the buttons) moves the box.
    w.xdotool("mousemove", x + 20, y + 50)
    time.sleep(0.3)
    w.xdotool("mousedown", 1)
    for step in range(1, 6):
        w.xdotool("mousemove", x + 20 + 20 * step, y + 50 + 12 * step)
        time.sleep(0.1)
    w.xdotool("mouseup", 1)
    wait_until(lambda: w.geometry(wid)[:2] == (x + 100, y + 60), timeout=5, what="the box to follow the drag")
    w.screenshot("dragged")


@scenario
def mask_dialog_face(w):
    """The mask over a 1000 x 700 window (shown by the Windows test program,
    held on screen for the screenshot): the dark face, the animation frame
    and the cleaning text in glyphs."""
    exe = w.put_file(wine.WIN64 / "wintests.exe", r"C:\tests\wintests.exe")
    env = dict(w.env, VEXA_SKIN_HOLD_MS="4000")
    w.start([exe, "--gtest_filter=MaskTest.FaceFrameAndTextOverA1000x700Window"], env=env)
    wait_until(lambda: w.find_windows("main"), timeout=30, what="the test window")
    time.sleep(1.5)
    shot = w.screenshot("mask")
    face = screen_rgb(w, 0, 0, 1000, 700)
    dark = (25, 25, 25)
    assert near(face[5][5], dark, 2) and near(face[690][990], dark, 2), (face[5][5], face[690][990])
    lit = lambda p: not near(p, dark, 6)  # noqa: E731
    frame = sum(lit(p) for row in face[298:321] for p in row[488:511])
    text = [row[400:600] for row in face[334:365]]
    cols = ink_columns(text, 300)
    assert frame > 20, frame
    # "缓存清理中，请稍后……": a line of ink, about 10 glyphs of 14 px
    assert len(cols) > 80 and cols[-1] - cols[0] > 120, cols
    print("mask screenshot:", shot)
