# make run   — set up, build, and run Skuvane with the stand-in host under Wine
# make test  — set up, build, and run every test, native and under Wine
# make bench — the benchmark program under Wine
# make fuzz  — the program's own number texts against the platform's, under Wine
.PHONY: run test bench fuzz build clean
run:
	@bash scripts/run.sh
test:
	@bash scripts/test.sh
bench:
	@bash scripts/bench.sh
fuzz:
	@bash scripts/fuzz.sh
build:
	@bash scripts/build.sh
clean:
	rm -rf build
