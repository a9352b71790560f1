#!/usr/bin/env python3
"""Writes the per-language string bundles "language/downloader_<code>.xml" from the string table.

  make_bundles.py [SKIN_DIR]

"multi_language.tsv" is the one place where texts are written; run this after changing it and
commit both. Each bundle holds the ids the language switch needs (the table's ids less the ones
that only the start-up messages, the folder advice and the tooltips use) plus "facebook".
"""

import os
import sys

# Short code of the bundle file -> column of the string table.
BUNDLE_LOCALES = [
    ("cn", "zh_CN"), ("tw", "zh_TW"), ("kr", "ko_KR"), ("vn", "vi_VN"), ("th", "th_TH"),
    ("ru", "ru_RU"), ("pt", "pt_PT"), ("fr", "fr_FR"), ("jp", "ja_JP"), ("es", "es_ES"),
    ("id", "in_ID"), ("ar", "ar_IL"), ("fa", "fa_IR"), ("tr", "tr_TR"), ("de", "de_DE"),
    ("en", "en_US"),
]

NOT_IN_BUNDLES = {
    "protocol_accept_playerx", "Title_wndTitle_playerx", "MsgBox_exit_playerx", "customer_connect",
    "install_error_tip2", "customerLink", "retry", "downloading_error_tip", "MsgBox_xp", "MsgBox_32",
    "jump_download", "do_exit", "change_path_tip", "path_noice", "path_more", "path_ssd", "path_ok",
    "path_not", "facebook_tip", "minimize_tip",
}

# The bundles' own id for the community link takes the tooltip's wording.
EXTRA_IDS = [("facebook", "facebook_tip")]


def read_table(path):
    with open(path, encoding="utf-8") as table:
        rows = [line.rstrip("\r\n").split("\t") for line in table if line.strip("\r\n")]
    codes = rows[0]
    columns = {code: index for index, code in enumerate(codes) if index >= 2}
    texts = [(row[1], row) for row in rows[2:]]
    return columns, texts


def escape(text):
    return text.replace("&", "&amp;").replace("<", "&lt;").replace(">", "&gt;")


def bundle(columns, texts, locale):
    column = columns[locale]
    by_id = dict(texts)
    lines = ['<?xml version="1.0" encoding="UTF-8" ?>', '<StringBundle ver="100">']
    for ident, row in texts:
        if ident not in NOT_IN_BUNDLES:
            lines.append('  <String id="%s">%s</String>' % (ident, escape(row[column])))
    for ident, source in EXTRA_IDS:
        lines.append('  <String id="%s">%s</String>' % (ident, escape(by_id[source][column])))
    lines.append("</StringBundle>")
    return "\n".join(lines) + "\n"


def main():
    skin = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..")
    columns, texts = read_table(os.path.join(skin, "multi_language.tsv"))
    folder = os.path.join(skin, "language")
    os.makedirs(folder, exist_ok=True)
    for code, locale in BUNDLE_LOCALES:
        with open(os.path.join(folder, "downloader_%s.xml" % code), "w", encoding="utf-8",
                  newline="\n") as out:
            out.write(bundle(columns, texts, locale))


if __name__ == "__main__":
    main()
