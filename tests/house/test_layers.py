"""The installer's layers: every include under base/ and installer/ names
a header of its own layer or of one below it, as the layers' libraries in
CMakeLists.txt declare them, and the build refuses an upward include."""
import os
import pathlib
import re
import subprocess

import pytest

SOURCE = pathlib.Path(os.environ.get("KELMOR_SOURCE_DIR", pathlib.Path(__file__).resolve().parents[2]))
BUILD = pathlib.Path(os.environ.get("KELMOR_BUILD_DIR", SOURCE / "build"))
LAYER = re.compile(r"^kelmor_layer\((\w+) ([\w/]+)(?: BELOW ([\w ]+?))?(?: LIBS .*)?\)$", re.M)
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)


def declared_layers():
    """{folder: set of folders it may include}, below-closure included."""
    found = LAYER.findall((SOURCE / "CMakeLists.txt").read_text())
    assert found, "no kelmor_layer() in CMakeLists.txt"
    folder = {name: path for name, path, _ in found}
    below = {name: set(deps.split()) for name, _, deps in found}

    def reach(name):
        out = {name}
        for dep in below[name]:
            out |= reach(dep)
        return out

    return {folder[name]: {folder[n] for n in reach(name)} for name in folder}


def layer_of(path, layers):
    best = None
    for folder in layers:
        if path == folder or path.startswith(folder + "/"):
            if best is None or len(folder) > len(best):
                best = folder
    return best


def test_the_layers_cover_every_product_folder():
    layers = declared_layers()
    for file in list((SOURCE / "installer").rglob("*.[ch]*")) + list((SOURCE / "base").rglob("*.[ch]*")):
        rel = file.relative_to(SOURCE).as_posix()
        assert layer_of(rel, layers), f"{rel} is in no layer"


def test_no_include_reaches_a_higher_layer():
    layers = declared_layers()
    upward = []
    for file in list((SOURCE / "installer").rglob("*")) + list((SOURCE / "base").rglob("*")):
        if file.suffix not in (".cc", ".h", ".c"):
            continue
        rel = file.relative_to(SOURCE).as_posix()
        own = layer_of(rel, layers)
        for header in INCLUDE.findall(file.read_text(errors="replace")):
            target = layer_of(header, layers)
            if target and target not in layers[own]:
                upward.append(f"{rel} includes {header} ({own} -> {target})")
    assert not upward, "\n".join(upward)


def build_target(target):
    return subprocess.run(["cmake", "--build", str(BUILD), "--target", target],
                          capture_output=True, text=True, timeout=600)


@pytest.mark.parametrize("target,header,builds", [
    ("layer_trial_down", "installer/config/brand_info.h", True),
    ("layer_trial_up", "installer/controller/installer.h", False),
])
def test_the_build_refuses_an_upward_include(target, header, builds):
    result = build_target(target)
    output = result.stdout + result.stderr
    if builds:
        assert result.returncode == 0, output[-3000:]
    else:
        assert result.returncode != 0
        assert header in output and "No such file" in output, output[-3000:]
