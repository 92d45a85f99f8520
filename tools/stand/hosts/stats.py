"""The statistics host: the installation summary "/get/browser/install"."""


def register(stand):
    def summary(ex):
        ex.note["service"] = "summary"
        ex.send_text("ok\n")

    stand.route("GET", r"/get/browser/install", summary)
