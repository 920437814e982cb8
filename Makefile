# make run   — set up, build, and run Skuvane with the stand-in host under Wine
# make test  — set up, build, and run every test, native and under Wine
# make bench — the benchmark program under Wine
# make chaos — 10,000 random user operations against a misbehaving host
#              (OPS=n SEED=s: that many, replaying that seed's run)
# make fuzz  — the program's own number texts against the platform's, under Wine
# make lint  — clang-format, clang-tidy and a second compiler for the Windows code
# make dist  — dist/Skuvane-1.00-win64.zip and Skuvane-1.00-x64.msi, with their
#              SHA-256 (VERSION=1.01 another version; SIGN_PFX=file signs them)
# make repro — builds the packages twice in scratch folders and compares them
.PHONY: run test bench chaos fuzz lint dist repro build clean
run:
	@bash scripts/run.sh
test:
	@bash scripts/test.sh
bench:
	@bash scripts/bench.sh
chaos:
	@bash scripts/chaos.sh $(OPS) $(SEED)
fuzz:
	@bash scripts/fuzz.sh
lint:
	@bash scripts/lint.sh
dist:
	@bash scripts/dist.sh
repro:
	@bash scripts/repro.sh
build:
	@bash scripts/build.sh
clean:
	rm -rf build dist
