"""Sizes of the product's code: no source file under base/ or installer/
has more than 600 lines and no function more than 80. Functions are found
as definitions that start at the left margin (the house style: namespace
contents are not indented) and end at their matching brace."""
import os
import pathlib
import re

SOURCE = pathlib.Path(os.environ.get("KELMOR_SOURCE_DIR", pathlib.Path(__file__).resolve().parents[2]))
MAX_FILE_LINES = 600
MAX_FUNCTION_LINES = 80
NOT_A_FUNCTION = re.compile(r"(namespace|struct|class|enum|union|extern|template\s*<[^>]*>\s*(struct|class))\b")
STRINGS = re.compile(r'"(?:\\.|[^"\\])*"|\'(?:\\.|[^\'\\])*\'')


def product_sources():
    for folder in ("base", "installer"):
        for path in sorted((SOURCE / folder).rglob("*")):
            if path.suffix in (".cc", ".h", ".c") and not path.name.endswith(("_unittest.cc", "_fuzzer.cc")):
                yield path


def code_of(line):
    return STRINGS.sub('""', line.split("//", 1)[0])


def statement_start(lines, index):
    """The first line of the statement that line `index` ends."""
    while index > 0:
        previous = code_of(lines[index - 1]).strip()
        if not previous or previous.endswith((";", "}", "{")) or previous.startswith("#"):
            break
        index -= 1
    return index


def long_functions(text):
    """(first line, length, signature) of each function above the limit:
    bodies whose definition starts at the left margin."""
    lines = text.split("\n")
    found = []
    depth = 0
    open_at = None  # (first line of the definition, depth before the body)
    for index, line in enumerate(lines):
        code = code_of(line)
        if open_at is None and code.rstrip().endswith("{"):
            first = statement_start(lines, index)
            head = " ".join(code_of(l).strip() for l in lines[first:index + 1])
            if (not lines[first].startswith((" ", "\t", "}")) and "(" in head
                    and not NOT_A_FUNCTION.match(lines[first])):
                open_at = (first, depth)
        depth += code.count("{") - code.count("}")
        if open_at is not None and depth <= open_at[1] and index > open_at[0]:
            length = index - open_at[0] + 1
            if length > MAX_FUNCTION_LINES:
                found.append((open_at[0] + 1, length, lines[open_at[0]].strip()))
            open_at = None
    return found


def test_no_product_file_is_longer_than_600_lines():
    long_files = []
    for path in product_sources():
        count = path.read_text(errors="replace").count("\n")
        if count > MAX_FILE_LINES:
            long_files.append(f"{path.relative_to(SOURCE)}: {count} lines")
    assert not long_files, "\n".join(long_files)


def test_no_product_function_is_longer_than_80_lines():
    long = []
    for path in product_sources():
        for start, length, signature in long_functions(path.read_text(errors="replace")):
            long.append(f"{path.relative_to(SOURCE)}:{start}: {length} lines: {signature}")
    assert not long, "\n".join(long)


def test_the_measure_finds_a_long_function():
    body = "\n".join(["  x();"] * (MAX_FUNCTION_LINES + 1))
    text = f"namespace n {{\n\nint Long(int a,\n         int b) {{\n{body}\n}}\n\nint Short() {{ return 0; }}\n}}\n"
    [(start, length, signature)] = long_functions(text)
    assert start == 3 and signature.startswith("int Long(") and length == MAX_FUNCTION_LINES + 4
