#!/usr/bin/env python3
"""Fails when the four guides beside the program do not say the same things.

Each guide (tools/scripts/guides.py) is a title, its underline, and
sections: a heading at the left margin, then entries indented two blanks.
An entry begins at a line indented two blanks that follows a blank line, a
heading, a line indented deeper (the explanation of the entry before) or a
table row (an entry's name, three blanks or more, its explanation), or at
a numbered step ("  2. "); its further lines are indented two blanks (its
text goes on) or deeper.
The translations must have the English guide's sections in its order, each
with as many entries, and each entry must name the same files, ports and
language names (the message file of its own language counting as the
English one) and quote the same memo_log.txt lines word for word: those
are not translated. The encodings are checked too: Windows-1252 for
README.txt, UTF-8 with its mark for the others, CR LF for all; and each
guide must be in data/shipped.txt.
Prints what differs, file and section; ends with 1 then, 0 when all agree.
"""
import re
import sys

from guides import GUIDES, ROOT, UTF8_MARK, read_text

# The names Language.ini keeps, read from the program's language table.
LANGUAGE_ROW = re.compile(r'\{L"([A-Z]+)", L"FrmDesc\w+\.txt"')
LANGUAGES = LANGUAGE_ROW.findall((ROOT / "src/i18n/language.cpp").read_text(encoding="utf-8"))
# What a translation keeps as it is: file names (the message files counted
# as one), port names and the language names.
FIXED = re.compile(r"[\w*]+\.(?:exe|ini|txt|bin|gif)\b|\bCOM\d+\b|\b(?:" + "|".join(LANGUAGES) + r")\b")
MESSAGE_FILE = re.compile(r"^FrmDesc\w+\.txt$")
# A step of a numbered list, and a line with a second column (its entry's
# explanation, three blanks or more after the entry's name).
NUMBERED = re.compile(r"^  \d+\. ")
TABLE_ROW = re.compile(r"^  \S.*?\S {3,}\S")
# A line of memo_log.txt, as the guide shows it: date and time first.
LOG_LINE = re.compile(r"^\s+(\d\d-\d\d-\d\d \d\d:\d\d:\d\d .*)$")


def encoding_problems(path, encoding):
    if not (ROOT / path).is_file():
        return [f"{path}: missing"]
    data = (ROOT / path).read_bytes()
    problems = []
    if encoding == "utf-8" and not data.startswith(UTF8_MARK):
        problems.append(f"{path}: no UTF-8 byte-order mark at its start")
    try:
        read_text(path, encoding)
    except UnicodeDecodeError as error:
        problems.append(f"{path}: not {encoding} at byte {error.start}")
    if re.search(rb"\r(?!\n)|(?<!\r)\n", data):
        problems.append(f"{path}: a line ends otherwise than with CR LF")
    return problems


def entries_by_section(text):
    """[(heading, [entry lines, ...]), ...] of a guide's text."""
    sections = []
    ends_entry_line = True  # the line before ends its entry's first lines
    for line in text.splitlines()[2:]:
        if not line.strip():
            ends_entry_line = True
            continue
        indent = len(line) - len(line.lstrip(" "))
        if indent == 0:
            sections.append((line, []))
        elif not sections:
            continue
        elif indent == 2 and (ends_entry_line or NUMBERED.match(line)) or not sections[-1][1]:
            sections[-1][1].append([line])
        else:
            sections[-1][1][-1].append(line)
        # A row of a table (its text column on the same line) is whole.
        ends_entry_line = indent != 2 or bool(TABLE_ROW.match(line))
    return sections


def fixed_words(lines):
    words = set()
    for word in FIXED.findall(" ".join(lines)):
        words.add("FrmDesc*.txt" if MESSAGE_FILE.match(word) else word)
    return words


def log_lines(lines):
    return [m.group(1).rstrip() for m in map(LOG_LINE.match, lines) if m]


def compare(english_path, english, path, other):
    """What `other` says differently from the English guide."""
    if len(other) != len(english):
        return [f"{path}: {len(other)} sections, {english_path} has {len(english)}: "
                + " | ".join(heading for heading, _ in other)]
    problems = []
    for (heading, entries), (theirs, their_entries) in zip(english, other):
        where = f"{path}: section {theirs!r} ({heading!r} in English)"
        if len(their_entries) != len(entries):
            problems.append(f"{where}: {len(their_entries)} entries, not {len(entries)}")
            continue
        for number, (entry, their_entry) in enumerate(zip(entries, their_entries), 1):
            missing = fixed_words(entry) - fixed_words(their_entry)
            extra = fixed_words(their_entry) - fixed_words(entry)
            if missing or extra:
                problems.append(f"{where}, entry {number} ({their_entry[0].strip()!r}): "
                                f"names {sorted(extra)} and not {sorted(missing)}")
            if log_lines(entry) != log_lines(their_entry):
                problems.append(f"{where}, entry {number}: memo_log.txt lines differ from English")
    return problems


def shipped_names():
    """The names data/shipped.txt gives: what goes beside the program."""
    lines = (ROOT / "data/shipped.txt").read_text(encoding="utf-8").splitlines()
    return {line.strip() for line in lines if line.strip() and not line.startswith("#")}


def main():
    problems = [] if LANGUAGES else ["src/i18n/language.cpp: no row of the language table found"]
    shipped = shipped_names()
    for path, encoding in GUIDES:
        if path.split("/")[-1] not in shipped:
            problems.append(f"{path}: not in data/shipped.txt, so it does not ship")
        problems += encoding_problems(path, encoding)
    if not problems:
        (english_path, encoding), *others = GUIDES
        english = entries_by_section(read_text(english_path, encoding))
        for path, their_encoding in others:
            problems += compare(english_path, english, path,
                                entries_by_section(read_text(path, their_encoding)))
    for problem in problems:
        print(f"check-guides: {problem}", file=sys.stderr)
    if problems:
        print("check-guides: the four guides must say the same things; data/README.txt leads",
              file=sys.stderr)
        return 1
    names = ", ".join(path.split("/")[-1] for path, _ in GUIDES)
    print(f"check-guides: {names} have the same sections and entries")
    return 0


if __name__ == "__main__":
    sys.exit(main())
