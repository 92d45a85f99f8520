import sys
import pathlib

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parents[1] / "harness"))
sys.path.insert(0, str(pathlib.Path(__file__).resolve().parents[2] / "tools"))
