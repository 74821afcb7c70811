#!/usr/bin/env python3
"""Draws the program's skin: window backgrounds, buttons and toggles, as SVG files.

Run it after changing a picture; every SVG file of this folder is compiled into the program
as a resource under :/skin/.
"""
from pathlib import Path

OUT = Path(__file__).resolve().parent
FONT = "DejaVu Sans"
TEAL = "#0f7173"
RED = "#d62931"
INK = "#4e4e4e"
PANEL = "#f4f5f7"
LINE = "#d3d6dc"
BAR_TOP = "#585c66"
BAR_BOTTOM = "#30333a"


def svg(width, height, body, defs=""):
    return (f'<svg xmlns="http://www.w3.org/2000/svg" version="1.2" baseProfile="tiny" '
            f'width="{width}" height="{height}" viewBox="0 0 {width} {height}">'
            f'<defs>{defs}</defs>{body}</svg>\n')


def gradient(name, top, bottom):
    return (f'<linearGradient id="{name}" x1="0" y1="0" x2="0" y2="1">'
            f'<stop offset="0" stop-color="{top}"/><stop offset="1" stop-color="{bottom}"/>'
            f'</linearGradient>')


def text(x, y, content, size=11, colour=INK, weight="normal", anchor="start"):
    return (f'<text x="{x}" y="{y}" font-family="{FONT}" font-size="{size}" fill="{colour}" '
            f'font-weight="{weight}" text-anchor="{anchor}">{content}</text>')


def rect(x, y, w, h, fill, stroke="none", r=0, extra=""):
    return (f'<rect x="{x}" y="{y}" width="{w}" height="{h}" rx="{r}" ry="{r}" fill="{fill}" '
            f'stroke="{stroke}" {extra}/>')


def write(name, content):
    (OUT / f"{name}.svg").write_text(content, encoding="utf-8")


# ---- window backgrounds -------------------------------------------------------------------

def window(width, height, bar, title, body, title_x=12):
    defs = gradient("bar", BAR_TOP, BAR_BOTTOM) + gradient("page", "#ffffff", "#f7f8fa")
    parts = [
        rect(0, 0, width, height, "url(#page)"),
        rect(0, 0, width, bar, "url(#bar)"),
        rect(0, bar, width, 2, RED),
    ]
    if title:
        parts.append(text(title_x, bar / 2 + 4.5, title, 12, "#ffffff", "bold"))
    parts.append(body)
    parts.append(rect(0.5, 0.5, width - 1, height - 1, "none", "#2b2e34"))
    return svg(width, height, "".join(parts), defs)


def heading(x, y, label, width):
    return text(x, y, label, 12, TEAL, "bold") + rect(x, y + 4, width, 1, "#b7dcdc")


def panel(x, y, w, h):
    return rect(x + 0.5, y + 0.5, w, h, PANEL, LINE, 4)


def main_window():
    body = [
        # Title bar artwork: the brand at the right, before the minimise and close buttons.
        text(582, 20, "rejstřík Kvel CD", 11, "#c9ccd3", "normal", "end"),
        rect(36, 6, 1, 20, "#6d717b"),
        # The list and the description.
        panel(10, 39, 254, 219),
        panel(288, 39, 340, 219),
        rect(296, 63, 321, 1, LINE),
        # Sections.
        heading(14, 289, "Rubriky", 262),
        # Information about the current record.
        heading(296, 289, "Informace", 332),
    ]
    captions = [(309, "rubrika:"), (331, "adresář na CD:"), (353, "spustitelné pod:"),
                (374, "typ záznamu:"), (395, "internet:"), (418, "počet záznamů:")]
    for y, caption in captions:
        body.append(text(424, y + 11, caption, 11, RED, "normal", "end"))
    body += [
        rect(296, 441, 332, 1, LINE),
        # Search row.
        heading(14, 470, "Vyhledávání", 614),
        text(14, 495, "najít:", 11, RED),
        rect(57.5, 481.5, 115, 19, "#ffffff", "#b9bec7", 2),
        text(203, 495, "v názvu", 11, INK),
        text(273, 495, "v popisu", 11, INK),
        # Issue row.
        rect(8, 510, 624, 1, LINE),
        text(14, 531, "čísla:", 11, RED),
    ]
    issue_x = [83, 112, 143, 175, 206, 236, 268, 298, 329, 361, 399, 433]
    for number, x in enumerate(issue_x, start=1):
        body.append(text(x + 16, 531, str(number), 11, INK, "bold"))
    return window(640, 550, 30, "", "".join(body))


def selection_window():
    body = panel(12, 40, 195, 135)
    return window(220, 216, 30, "Dostupné databáze", body)


def help_window():
    body = rect(4.5, 30.5, 521, 325, "#ffffff", LINE, 3)
    return window(530, 360, 28, "Nápověda", body)


def info_window():
    body = rect(8.5, 36.5, 205, 173, PANEL, LINE, 4)
    return window(222, 218, 28, "Kvel CD", body)


def type_window():
    body = "".join([
        text(11, 33, "typ licence", 10, TEAL, "bold"),
        text(129, 33, "operační systém", 10, TEAL, "bold"),
        text(261, 33, "podmínka", 10, TEAL, "bold"),
        rect(8, 160, 344, 1, LINE),
        text(11, 178, "obsah záznamu", 10, TEAL, "bold"),
        text(241, 178, "zdroj", 10, TEAL, "bold"),
        rect(252, 28, 1, 124, LINE),
    ])
    return window(360, 295, 22, "filtrovat podle typu", body, 10)


def search_window():
    body = []
    for y, caption in [(47, "první hledané slovo"), (148, "druhé hledané slovo"),
                       (249, "třetí hledané slovo")]:
        body.append(text(18, y, caption, 11, RED, "bold"))
    for y in (52, 153, 254):
        body.append(rect(20.5, y - 2.5, 160, 19, "#ffffff", "#b9bec7", 2))
    for y, caption in [(76, "nebo"), (98, "a zároveň"), (180, "nebo"), (202, "a zároveň")]:
        body.append(text(38, y + 11, caption, 11, INK))
    body += [rect(10, 290, 180, 1, LINE), text(133, 313, "v názvu", 11, INK),
             text(133, 338, "v popisu", 11, INK)]
    return window(200, 360, 29, "Hledej s podmínkami", "".join(body), 10)


# ---- buttons and toggles -----------------------------------------------------------------

STATES = {
    # state: (face top, face bottom, border, ink, offset)
    "nahoru": ("#ffffff", "#e4e7ec", "#9aa0aa", INK, 0),
    "pres": ("#ffffff", "#d9eeee", TEAL, TEAL, 0),
    "dolu": ("#cfd4db", "#eef0f3", "#6f7680", INK, 1),
    "blok": ("#f1f2f4", "#f1f2f4", "#c9cdd3", "#b3b7be", 0),
}


def face_button(name, width, height, label, icon=""):
    for state, (top, bottom, border, ink, offset) in STATES.items():
        defs = gradient("face", top, bottom)
        body = rect(0.5, 0.5, width - 1, height - 1, "url(#face)", border, 3)
        glyph = icon.replace("INK", ink) if icon else ""
        if glyph:
            glyph = f'<g transform="translate({offset - 1},{offset})">{glyph}</g>'
        # With an icon at the left, the label is centred in the room right of it.
        label_x = (width + 16) / 2 if icon else width / 2
        size = 9 if icon else 10
        weight = "normal" if icon else "bold"
        body += glyph + text(label_x + offset, height / 2 + 3.5 + offset, label, size, ink, weight,
                             "middle")
        write(f"{name}_{state}", svg(width, height, body, defs))


def title_button(name, glyph):
    looks = {"nahoru": ("#6b6f79", "#45484f", "#ffffff"),
             "pres": (RED, "#a71d24", "#ffffff"),
             "dolu": ("#2a2c31", "#3d4047", "#d0d0d0")}
    for state, (top, bottom, ink) in looks.items():
        defs = gradient("face", top, bottom)
        body = rect(0.5, 0.5, 17, 17, "url(#face)", "#1f2126", 3) + glyph.replace("INK", ink)
        write(f"{name}_{state}", svg(18, 18, body, defs))


def round_button(name, glyph):
    looks = {"nahoru": ("#1a8a8c", TEAL), "pres": ("#e04850", RED), "dolu": ("#0b5355", "#0b5355")}
    for state, (top, bottom) in looks.items():
        defs = gradient("face", top, bottom)
        body = (f'<circle cx="11" cy="11" r="10.5" fill="url(#face)" stroke="#ffffff" '
                f'stroke-width="1"/>' + glyph)
        write(f"{name}_{state}", svg(22, 22, body, defs))


def toggles():
    box = {"nahoru": ("#ffffff", "#8f96a1", ""),
           "dolu": ("#ffffff", TEAL,
                    f'<path d="M3.5 7.5 L6 10 L10.8 3.8" fill="none" stroke="{RED}" '
                    f'stroke-width="2.2" stroke-linecap="round" stroke-linejoin="round"/>'),
           "blok": ("#eceef1", "#c6cad1",
                    '<path d="M4 10 L10 4" stroke="#c6cad1" stroke-width="1.4"/>')}
    for state, (fill, border, mark) in box.items():
        body = rect(0.5, 0.5, 13, 13, fill, border, 2) + mark
        write(f"prepinac_{state}", svg(14, 14, body))
    option = {"nahoru": ("#ffffff", "#8f96a1", ""),
              "dolu": ("#ffffff", TEAL, f'<circle cx="7" cy="7" r="3.4" fill="{RED}"/>'),
              "blok": ("#eceef1", "#c6cad1", "")}
    for state, (fill, border, mark) in option.items():
        body = f'<circle cx="7" cy="7" r="6.3" fill="{fill}" stroke="{border}"/>' + mark
        write(f"volba_{state}", svg(14, 14, body))


def buttons():
    cross = ('<path d="M5.5 5.5 L12.5 12.5 M12.5 5.5 L5.5 12.5" stroke="INK" stroke-width="2" '
             'stroke-linecap="round"/>')
    minus = '<path d="M5 12.5 L13 12.5" stroke="INK" stroke-width="2" stroke-linecap="round"/>'
    info = ('<circle cx="9" cy="5" r="1.4" fill="INK"/>'
            '<path d="M9 8 L9 13.5" stroke="INK" stroke-width="2.2" stroke-linecap="round"/>')
    title_button("zavrit", cross)
    title_button("minimalizovat", minus)
    title_button("informace", info)
    round_button("napoveda", text(11, 16, "?", 14, "#ffffff", "bold", "middle"))
    cylinder = ('<ellipse cx="11" cy="7" rx="5.5" ry="2.2" fill="#ffffff"/>'
                '<path d="M5.5 7 L5.5 15 A5.5 2.2 0 0 0 16.5 15 L16.5 7" fill="none" '
                'stroke="#ffffff" stroke-width="1.6"/>'
                '<path d="M5.5 11 A5.5 2.2 0 0 0 16.5 11" fill="none" stroke="#ffffff" '
                'stroke-width="1.2"/>')
    round_button("databaze", cylinder)
    lens = ('<circle cx="8" cy="9" r="3.6" fill="none" stroke="INK" stroke-width="1.6"/>'
            '<path d="M10.7 11.7 L13.5 14.5" stroke="INK" stroke-width="2" '
            'stroke-linecap="round"/>')
    funnel = '<path d="M4 5 L14 5 L10 10 L10 15 L8 14 L8 10 Z" fill="INK"/>'
    face_button("hledat", 52, 20, "hledat", lens)
    plus = '<path d="M6 9 L10 9 M8 7 L8 11" stroke="INK" stroke-width="1.2"/>'
    small_cross = (f'<path d="M11 11 L15.5 15.5 M15.5 11 L11 15.5" stroke="{RED}" '
                   'stroke-width="1.6" stroke-linecap="round"/>')
    face_button("typ", 52, 20, "typ", funnel)
    face_button("rozsirene", 52, 20, "více", lens + plus)
    face_button("zrusit", 52, 20, "zrušit", funnel + small_cross)
    face_button("vse", 50, 16, "vše")
    face_button("nic", 50, 16, "nic")
    face_button("ok", 60, 22, "OK")
    face_button("vyhledat", 80, 20, "hledat", lens)
    face_button("vymazat", 80, 20, "vymazat")
    face_button("oznacit", 90, 20, "označit vše")
    face_button("odznacit", 90, 20, "zrušit výběr")


def logo():
    defs = gradient("disc", "#e9ecef", "#b9c0c8")
    body = (f'<circle cx="18" cy="21" r="16.5" fill="url(#disc)" stroke="#8f96a1"/>'
            f'<circle cx="18" cy="21" r="10" fill="none" stroke="#ffffff" stroke-width="1.5" '
            f'stroke-opacity="0.7"/>'
            f'<circle cx="18" cy="21" r="4" fill="#ffffff" stroke="#8f96a1"/>'
            + text(38, 20, "Kvel", 13, RED, "bold") + text(39, 33, "CD", 11, TEAL, "bold"))
    write("logo", svg(75, 42, body, defs))


def main():
    logo()
    write("pozadi_hlavni", main_window())
    write("pozadi_vyber", selection_window())
    write("pozadi_napoveda", help_window())
    write("pozadi_informace", info_window())
    write("pozadi_typ", type_window())
    write("pozadi_hledani", search_window())
    toggles()
    buttons()


if __name__ == "__main__":
    main()
