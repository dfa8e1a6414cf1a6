"""The skin on screen, black box: the skinned message box of the uninstall
question (face, Chinese glyphs, a button's hover look, dragging by the face)
and the mask over the main window while the cache is cleaned."""
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
def mask_covers_the_main_window_while_cleaning(w):
    """The clean-cache button lays the mask over the maximized main window
    (1280 x 800 here) while a large cache is cleaned: the dark face, the
    animation frame centred 40 pixels above the middle, the cleaning text in
    glyphs, and the frames changing; afterwards the window is seen again."""
    from test_mainwnd import SCREEN, click_button, start_client
    start_client(w)
    cache = w.host_path(w.user_root + r"\AppData\Local\Microsoft\Windows\INetCache\Content.IE5\SKIN0001")
    cache.mkdir(parents=True)
    for i in range(15000):  # enough to keep the worker busy for a few seconds
        (cache / f"page{i}.htm").write_bytes(b"cached")
    click_button(w, SCREEN, 346, 78, 24)
    w.xdotool("mousemove", 5, 700)
    dark = (25, 25, 25)
    wait_until(lambda: near(w.pixel(5, 700), dark, 2), timeout=10, what="the mask")
    shot = w.screenshot("mask")
    cx, cy = SCREEN[2], SCREEN[3]
    face = screen_rgb(w, 0, 0, cx, cy)
    fx, fy = (cx - 23) // 2, (cy - 23) // 2 - 40
    tx, ty = (cx - 200) // 2, (cy - 31) // 2
    lit = lambda p: not near(p, dark, 6)  # noqa: E731
    frame = [row[fx:fx + 23] for row in face[fy:fy + 23]]
    assert sum(lit(p) for row in frame for p in row) > 20, "no animation frame"
    cols = ink_columns([row[tx:tx + 200] for row in face[ty:ty + 31]], 300)
    # "缓存清理中，请稍后……": a line of ink, about 10 glyphs of 14 px
    assert len(cols) > 80 and cols[-1] - cols[0] > 120, cols
    outside = sum(lit(p) for y, row in enumerate(face) for x, p in enumerate(row)
                  if not (fx <= x < fx + 23 and fy <= y < fy + 23) and not (tx <= x < tx + 200 and ty <= y < ty + 31))
    assert outside == 0, f"{outside} pixels drawn outside the frame and the text"
    wait_until(lambda: screen_rgb(w, fx, fy, 23, 23) != frame, timeout=3, what="the next frame")
    wait_until(lambda: not cache.exists() or not any(cache.iterdir()), timeout=60, what="the cleaning")
    wait_until(lambda: not near(w.pixel(5, 700), dark, 2), timeout=10, what="the mask to go")
    print("mask screenshot:", shot)
