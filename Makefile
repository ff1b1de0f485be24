# Two everyday commands: `make run` starts the editor on a fresh copy of the demo
# catalogue, `make test` builds and runs every test headless.
BUILD ?= build
JOBS  ?= $(shell nproc)
RUNDIR ?= $(BUILD)/demo-run

.PHONY: deps build run test clean package package-check

deps:
	@./scripts/install-deps.sh

$(BUILD)/CMakeCache.txt:
	cmake -S . -B $(BUILD)

build: deps $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j $(JOBS)

# The editor works on the `spartiti` folder under its working folder, so it is
# started inside a copy of the demo data and never edits the committed files.
run: build
	rm -rf $(RUNDIR) && mkdir -p $(RUNDIR) && cp -r demo/spartiti $(RUNDIR)/
	cd $(RUNDIR) && $(CURDIR)/$(BUILD)/app/spartiti

test: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

# A Release build of its own makes the Debian package; dpkg-shlibdeps fills in the
# libraries, and the package is copied here as spartiti_<version>_<arch>.deb.
PKGBUILD ?= build-package

package: deps
	cmake -S . -B $(PKGBUILD) -DCMAKE_BUILD_TYPE=Release
	cmake --build $(PKGBUILD) -j $(JOBS)
	rm -f $(PKGBUILD)/spartiti_*.deb
	cd $(PKGBUILD) && cpack -G DEB
	cp $(PKGBUILD)/spartiti_*.deb .

# Looks inside the package: its control fields and the installed tree it unpacks.
package-check: package
	./packaging/check-deb.sh $(PKGBUILD)/spartiti_*.deb

clean:
	rm -rf $(BUILD)
