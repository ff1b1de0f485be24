# Two everyday commands: `make run` starts the editor on a fresh copy of the demo
# catalogue, `make test` builds and runs every test headless.
BUILD ?= build
JOBS  ?= $(shell nproc)
RUNDIR ?= $(BUILD)/demo-run

.PHONY: deps build run test clean package package-check

# Each target installs only what it needs (see scripts/install-deps.sh): PURPOSE is set
# per target below and reaches `deps` through the prerequisites.
PURPOSE ?= run
deps:
	@./scripts/install-deps.sh $(PURPOSE)

# The tests need packages that running does not, so a build made for `make run` leaves
# them out; `make test` turns them on in the same build folder.
TESTS ?= OFF
$(BUILD)/CMakeCache.txt:
	cmake -S . -B $(BUILD) -DSPARTITI_TESTS=$(TESTS)

build: deps $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j $(JOBS)

# The editor opens the catalogue it is given: a fresh copy of the demo data, so that the
# committed files are never edited.
run: build
	rm -rf $(RUNDIR) && mkdir -p $(RUNDIR) && cp -r demo/spartiti $(RUNDIR)/
	$(BUILD)/app/spartiti $(RUNDIR)

test: PURPOSE = test
test: TESTS = ON
test: deps $(BUILD)/CMakeCache.txt
	grep -qx 'SPARTITI_TESTS:BOOL=ON' $(BUILD)/CMakeCache.txt || cmake -S . -B $(BUILD) -DSPARTITI_TESTS=ON
	cmake --build $(BUILD) -j $(JOBS)
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

# A Release build of its own makes the Debian package; dpkg-shlibdeps fills in the
# libraries, and the package is copied here as spartiti_<version>_<arch>.deb.
PKGBUILD ?= build-package

package: PURPOSE = package
package: deps
	cmake -S . -B $(PKGBUILD) -DCMAKE_BUILD_TYPE=Release -DSPARTITI_TESTS=OFF
	cmake --build $(PKGBUILD) -j $(JOBS)
	rm -f $(PKGBUILD)/spartiti_*.deb
	cd $(PKGBUILD) && cpack -G DEB
	cp $(PKGBUILD)/spartiti_*.deb .

# Looks inside the package: its control fields and the installed tree it unpacks.
package-check: package
	./packaging/check-deb.sh $(PKGBUILD)/spartiti_*.deb

# The whole test suite once more under AddressSanitizer and UndefinedBehaviorSanitizer,
# in a build of its own. Leaks inside Qt's plugins and fontconfig are not ours.
ASANBUILD ?= build-asan
SANITIZER_ENV = ASAN_OPTIONS=detect_leaks=1:abort_on_error=0 \
  LSAN_OPTIONS=suppressions=$(CURDIR)/tests/sanitizer/lsan.supp:print_suppressions=0 \
  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

.PHONY: test-sanitize fuzz
test-sanitize: PURPOSE = test
test-sanitize: deps
	cmake -S . -B $(ASANBUILD) -DSPARTITI_SANITIZE=ON -DSPARTITI_TESTS=ON
	cmake --build $(ASANBUILD) -j $(JOBS)
	cd $(ASANBUILD) && QT_QPA_PLATFORM=offscreen $(SANITIZER_ENV) \
	  ctest --output-on-failure -j $(JOBS)

# Runs each libFuzzer target for FUZZ_SECONDS, starting from the seeds in fuzz/corpus and
# keeping what it learns in $(FUZZBUILD)/corpus; a failing input lands in $(FUZZBUILD)/crashes.
# The item reader has no seeds of its own: it starts from the archives and category lists.
# A target's own dictionary, fuzz/<target>.dict, replaces the archive's.
FUZZBUILD ?= build-fuzz
FUZZ_SECONDS ?= 60
FUZZ_TARGETS = fuzz_itemreader fuzz_archive fuzz_archivewrite fuzz_categorylist fuzz_mp3duration

fuzz: PURPOSE = fuzz
fuzz: deps
	CC=clang CXX=clang++ cmake -S . -B $(FUZZBUILD) -DSPARTITI_FUZZ=ON -DSPARTITI_SANITIZE=ON -DSPARTITI_TESTS=OFF
	cmake --build $(FUZZBUILD) -j $(JOBS) --target $(FUZZ_TARGETS)
	@mkdir -p $(FUZZBUILD)/crashes
	@for t in $(FUZZ_TARGETS); do \
	  mkdir -p $(FUZZBUILD)/corpus/$$t; \
	  seeds=fuzz/corpus/$$t; \
	  [ -d $$seeds ] || seeds="fuzz/corpus/fuzz_archive fuzz/corpus/fuzz_categorylist"; \
	  dict=fuzz/$$t.dict; [ -f $$dict ] || dict=fuzz/archive.dict; \
	  echo "$$t: $(FUZZ_SECONDS) s"; \
	  if ! $(SANITIZER_ENV) $(FUZZBUILD)/fuzz/$$t -max_total_time=$(FUZZ_SECONDS) \
	      -print_final_stats=1 -dict=$$dict -artifact_prefix=$(FUZZBUILD)/crashes/$$t- \
	      $(FUZZBUILD)/corpus/$$t $$seeds > $(FUZZBUILD)/$$t.log 2>&1; then \
	    tail -n 60 $(FUZZBUILD)/$$t.log; exit 1; \
	  fi; \
	  grep -E 'stat::number_of_executed_units|stat::new_units_added' $(FUZZBUILD)/$$t.log; \
	done

# The benchmark, in a Release build of its own: one table of medians, then one line
# "BENCH <name> <value> <unit>" per figure. The workload is made once and kept in
# $(BENCHBUILD)/workload. BENCH_QUICK=1 runs a short version that only proves it works.
BENCHBUILD ?= build-bench

.PHONY: bench
bench: PURPOSE = bench
bench: deps
	cmake -S . -B $(BENCHBUILD) -DCMAKE_BUILD_TYPE=Release -DSPARTITI_BENCH=ON -DSPARTITI_TESTS=OFF
	cmake --build $(BENCHBUILD) -j $(JOBS) --target spartiti_bench spartiti
	QT_QPA_PLATFORM=offscreen BENCH_QUICK=$(BENCH_QUICK) $(BENCHBUILD)/bench/spartiti_bench

clean:
	rm -rf $(BUILD)
