"""Every handle has an owner: no source under base/ or installer/ releases a
handle by hand (CloseHandle, DeleteObject, DeleteDC, ReleaseDC, DestroyIcon,
EndPaint, CryptReleaseContext, CryptDestroyHash, CryptDestroyKey, a raw
->Release(), and ComPtr::Attach, which in mingw-w64 adds a reference). Those
calls live only in base's owner headers; elsewhere a handle goes into one of
them (base::ScopedHandle, base::ScopedBitmapDC, base::ScopedPaintDC,
base::ScopedCryptHash, Microsoft::WRL::ComPtr with base::AdoptComPtr, ...)."""
import os
import pathlib
import re

import pytest

SOURCE = pathlib.Path(os.environ.get("KELMOR_SOURCE_DIR", pathlib.Path(__file__).resolve().parents[2]))

# The owners: the only files that may call the release functions.
OWNER_HEADERS = {"base/scoped_handle.h", "base/scoped_gdi.h", "base/scoped_crypt.h", "base/scoped_com.h"}

RELEASE_FUNCTIONS = ("CloseHandle", "DeleteObject", "DeleteDC", "ReleaseDC", "DestroyIcon", "EndPaint",
                     "CryptReleaseContext", "CryptDestroyHash", "CryptDestroyKey")
# A call of one of them (not a longer name such as InternetCloseHandle), or a
# reference dropped by hand through a pointer.
RELEASE_CALL = re.compile(r"(?<![\w.])(?:::)?(?:" + "|".join(RELEASE_FUNCTIONS) + r")\s*\(|->\s*Release\s*\(\s*\)")
# mingw-w64's ComPtr::Attach adds a reference: base::AdoptComPtr instead. Only
# in sources that name ComPtr (other classes have methods of that name).
COM_ATTACH = re.compile(r"(?:\.|->)\s*Attach\s*\(")
SEES_COM_PTR = re.compile(r"\bComPtr\b")

COMMENT_OR_TEXT = re.compile(r'//[^\n]*|/\*.*?\*/|"(?:\\.|[^"\\\n])*"|\'(?:\\.|[^\'\\\n])*\'', re.S)


def _blank(match):
    # Keeps the line breaks, so that line numbers stay right.
    text = match.group(0)
    if text.startswith("/") or len(text) < 2:
        return re.sub(r"[^\n]", " ", text)
    return text[0] + re.sub(r"[^\n]", " ", text[1:-1]) + text[-1]


def manual_releases(text):
    """[(line number, line)] of the release calls in C++ `text`, comments and
    string literals left out."""
    code = COMMENT_OR_TEXT.sub(_blank, text)
    lines = text.split("\n")
    found = []
    sees_com_ptr = bool(SEES_COM_PTR.search(code))
    for number, line in enumerate(code.split("\n"), start=1):
        if RELEASE_CALL.search(line) or (sees_com_ptr and COM_ATTACH.search(line)):
            found.append((number, lines[number - 1].strip()))
    return found


def product_sources():
    for folder in ("base", "installer"):
        for file in sorted((SOURCE / folder).rglob("*")):
            if file.is_file() and file.suffix in (".cc", ".h", ".c", ".inc"):
                yield file.relative_to(SOURCE).as_posix(), file


def test_the_scan_sees_each_kind_of_release():
    sample = "\n".join([
        "::CloseHandle(event);",
        "DeleteObject(bitmap);",
        "  ::DeleteDC(memory);",
        "::ReleaseDC(window, dc);",
        "if (icon) ::DestroyIcon(icon);",
        "::EndPaint(window, &paint);",
        "::CryptReleaseContext(provider, 0);",
        "::CryptDestroyHash(hash);",
        "::CryptDestroyKey(key);",
        "taskbar_->Release();",
        "stream -> Release ( );",
        "stream.Attach(::SHCreateMemStream(data, size));",
        "Microsoft::WRL::ComPtr<IStream> stream;",
    ])
    assert [n for n, _ in manual_releases(sample)] == list(range(1, 13))


def test_the_scan_passes_owners_comments_and_longer_names():
    sample = "\n".join([
        "// ::CloseHandle(event) by hand is what this replaces",
        "/* ::DeleteObject(bitmap);",
        "   ::DeleteDC(memory); */",
        'LOG(INFO) << "ReleaseDC(window, dc) failed";',
        "::InternetCloseHandle(handle);",
        "::WinHttpCloseHandle(handle);",
        "base::ScopedGetDC dc(window);",
        "stream.Reset();",
        "hop->Unref();",
        "ReleaseDCForTests();",
        "auto stream = base::AdoptComPtr(::SHCreateMemStream(data, size));",
        "::AttachThreadInput(a, b, TRUE);",
        "elevated_runner_->Attach(process, owner);",  # no ComPtr named here
    ])
    assert manual_releases(sample) == []


def test_no_handle_is_released_by_hand_outside_the_owners():
    places = []
    for rel, file in product_sources():
        if rel in OWNER_HEADERS:
            continue
        for number, line in manual_releases(file.read_text(errors="replace")):
            places.append(f"{rel}:{number}: {line}")
    if places:
        pytest.fail("handles released by hand instead of through an owner (base/scoped_handle.h, "
                    "base/scoped_gdi.h, base/scoped_crypt.h, base/scoped_com.h):\n" + "\n".join(places),
                    pytrace=False)
