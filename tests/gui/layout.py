"""The window layout as the GUI tests use it, read from ui/layout.h so that
the zones pressed here are the program's own."""

import os
import re

_HEADER = os.path.join(os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__)))), "ui", "layout.h")
_TEXT = open(_HEADER).read()

# In the order of the HitZone enum.
ZONE_NAMES = ["drag_band", "continue", "close_glyph", "minimise_glyph", "firmware_box", "cancel", "try_again",
              "update", "verify", "done_verified", "done_updated", "help_link", "got_it"]

_zone_table = _TEXT[_TEXT.index("kHitZones[kHitZoneCount] = {"):]
_zone_table = _zone_table[:_zone_table.index("};")]
ZONES = dict(zip(ZONE_NAMES, [tuple(map(int, m)) for m in re.findall(r"\{(\d+), (\d+), (\d+), (\d+)\}", _zone_table)]))

_CONTROLS = {
    m.group(1)[0].lower() + m.group(1)[1:]: tuple(map(int, m.group(2, 3, 4, 5)))
    for m in re.finditer(r"\{Control(\w+), \w+, \{(\d+), (\d+), (\d+), (\d+)\}", _TEXT)
}

# The window's size in layout units (pixels at 96 DPI).
WINDOW = tuple(int(re.search(rf"k{name} = (\d+);", _TEXT).group(1)) for name in ("WindowWidth", "WindowHeight"))

assert len(ZONES) == 13, "ui/layout.h: hit zones not found"

RING_OUTSET = int(re.search(r"kFocusRingOutset = (\d+);", _TEXT).group(1))
RING_COLOUR = (37, 121, 173)  # the skins' accent, kFocusRingColour


def device(units, dpi):
    """Layout units to the pixels of a display of `dpi`, halves up (ui/display_scale.h)."""
    return (2 * units * dpi + 96) // 192


def device_rect(rect, dpi):
    x, y, w, h = rect
    left, top = device(x, dpi), device(y, dpi)
    return left, top, device(x + w, dpi) - left, device(y + h, dpi) - top


def centre(zone, dpi=96):
    """The middle of a zone, in the pixels of a display of `dpi`."""
    x_min, x_max, y_min, y_max = ZONES[zone]
    return ((device(x_min, dpi) + device(x_max + 1, dpi) - 1) // 2,
            (device(y_min, dpi) + device(y_max + 1, dpi) - 1) // 2)


def rect(control):
    """(x, y, width, height) of a control, by its name without the prefix: "currentVersionText"."""
    return _CONTROLS[control]


def ring_edge(zone):
    """A window pixel on the left edge of the focus ring around a zone, halfway down."""
    x_min, _, y_min, y_max = ZONES[zone]
    return x_min - RING_OUTSET, (y_min + y_max) // 2
