"""The technician's guide, shipped beside the program in four languages.

data/README.txt (English) is Windows-1252, as it always was; the other three
are UTF-8 with the byte-order mark, so that Notepad shows their accents
right on a Windows of any language. All four have CR LF line ends.
"""
import pathlib

ROOT = pathlib.Path(__file__).resolve().parents[2]
UTF8_MARK = b"\xef\xbb\xbf"

# The file and its encoding; the English guide first, as the one the others
# are compared with.
GUIDES = (
    ("data/README.txt", "cp1252"),
    ("data/LISEZMOI.txt", "utf-8"),
    ("data/LEGGIMI.txt", "utf-8"),
    ("data/LASMIG.txt", "utf-8"),
)


def read_text(path, encoding, errors="strict"):
    """The text of a file of the tree, a UTF-8 mark taken off; raises on
    bytes its encoding does not allow unless errors says otherwise."""
    data = (ROOT / path).read_bytes()
    if encoding == "utf-8" and data.startswith(UTF8_MARK):
        data = data[len(UTF8_MARK):]
    return data.decode(encoding, errors=errors)
