"""The download tool (tools/download_tool) under Wine: runs one command and
returns its JSON report and its log."""
import json

import kelmor_wine as w

EXE = w.BIN / "download_tool.exe"


class ToolRun:
    def __init__(self, result, report, log_lines):
        self.result = result
        self.report = report or {}
        self.log_lines = log_lines

    @property
    def code(self):
        return self.result.code

    @property
    def timed_out(self):
        return self.result.timed_out

    def __getitem__(self, key):
        return self.report[key]

    def log_texts(self):
        """Each line without its time and ids: "INFO: text (Function:line)"."""
        out = []
        for line in self.log_lines:
            parts = line.split(" ", 3)
            out.append(parts[3] if len(parts) == 4 else line)
        return out

    def log_has(self, fragment):
        return any(fragment in line for line in self.log_lines)


def run(*args, timeout=120, env=None):
    """Runs `download_tool <args>`; the report and the log go to the Wine
    temporary folder."""
    report = w.temp_dir() / "download_tool_report.json"
    log = w.temp_dir() / "download_tool.log"
    w.temp_dir().mkdir(parents=True, exist_ok=True)
    report.unlink(missing_ok=True)
    log.unlink(missing_ok=True)
    argv = [str(a) for a in args] + ["--report", w.to_windows(report), "--log", w.to_windows(log)]
    result = w.run(EXE, argv, timeout=timeout, env=env)
    data = json.loads(report.read_text(encoding="utf-8")) if report.exists() else None
    lines = log.read_bytes().decode("utf-8", errors="replace").split("\n")[:-1] if log.exists() else []
    return ToolRun(result, data, lines)


def win_path(name):
    """A file in the Wine temporary folder: (unix path, windows path)."""
    path = w.temp_dir() / name
    return path, w.to_windows(path)
