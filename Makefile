# The front door. `make run` opens the program under Wine with a demo
# folder; `make test` builds both presets and runs every test level.
# Both install what is missing first (Debian packages, through apt).
SHELL := /bin/bash
ROOT := $(CURDIR)
BUILD := $(ROOT)/build
WINBUILD := $(BUILD)/windows
DEMO := $(BUILD)/demo
JOBS := $(shell nproc)
# Debian's Python, which has Pillow (python3-pil) for the pictures: a
# python3 found earlier on PATH may lack it.
DEBIAN_PYTHON := /usr/bin/python3
# The version, from version.txt (its one source): names the release ZIP.
VERSION := $(shell sed -n 's/^VERSION *= *//p' $(ROOT)/version.txt)

.PHONY: run test check-version check-guides fuzz bench release screenshots deps windows native stage clean

run: stage
	tools/scripts/run-demo.sh $(WINBUILD) $(DEMO)

# The version and guide checks first: they need no build.
test: check-version check-guides windows native
	python3 tools/scripts/check-includes.py
	tools/scripts/check-format.sh
	python3 tools/scripts/check-imports.py $(WINBUILD)/Vardolin_VaZuvovev.exe
	$(DEBIAN_PYTHON) tools/art/check_art.py
	python3 tools/art/write_messages.py --check
	ctest --preset native
	@# The Windows level spends most of its time waiting for the program and
	@# the simulated uploader, so the static checks and the fuzz replay run
	@# beside it; their output follows the level's.
	@tools/scripts/lint.sh >$(BUILD)/checks.log 2>&1 && tools/scripts/fuzz.sh 0 >>$(BUILD)/checks.log 2>&1 & \
	  checks=$$!; \
	  tools/scripts/test-windows.sh $(WINBUILD); windows=$$?; \
	  wait $$checks; checked=$$?; \
	  cat $(BUILD)/checks.log; \
	  [ $$checked -eq 0 ] || echo "make test: lint or the fuzz replay failed (above)" >&2; \
	  [ $$windows -eq 0 ] && [ $$checked -eq 0 ]

# Searches for new failing inputs for SECONDS per target (default 60); a
# finding is kept in tests/fuzz/regressions/, which `make test` replays.
SECONDS ?= 60
fuzz: deps
	tools/scripts/fuzz.sh $(SECONDS)

# Figures, not verdicts: never fails on a missed target.
bench: windows native
	bench/run.sh $(BUILD)

check-version:
	python3 tools/scripts/check-version.py

# The guide beside the program in four languages: the same sections and
# entries, each in its encoding, and each shipped.
check-guides:
	python3 tools/scripts/check-guides.py

# build/release/Vardolin_VaZuvovev-$(VERSION).zip: what a technician copies.
release: windows
	cd $(WINBUILD) && cpack -C Release --config CPackConfig.cmake
	@echo "Release: $(BUILD)/release/Vardolin_VaZuvovev-$(VERSION).zip"

# The README's pictures of the window: French and English, a port chosen,
# a run under way, the end message, and 96, 120 and 144 DPI.
screenshots: stage
	tools/scripts/screenshots.sh $(WINBUILD)

deps:
	@tools/scripts/install-deps.sh

windows: deps
	cmake --preset windows >/dev/null
	cmake --build --preset windows -j$(JOBS)

native: deps
	cmake --preset native >/dev/null
	cmake --build --preset native -j$(JOBS)

stage: windows
	tools/scripts/stage-demo.sh $(WINBUILD) $(DEMO)

clean:
	rm -rf $(BUILD)
