"""Host modules of the stand. Each module defines `register(stand)`; every
module in this folder is loaded when a stand is made."""
