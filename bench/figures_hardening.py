"""The size the update and browser hardening adds to the i686 release: the
browser-emulation value, the check of a downloaded client and the download's
progress display, measured against the same sources built with empty
stand-ins for them (VEXA_BENCH_WITHOUT_HARDENING)."""
from bench import figure


@figure
def hardening_size(ctx):
    release, without = ctx.release_sizes_without("VEXA_BENCH_WITHOUT_HARDENING")
    return [f"hardening size in the i686 release (browser emulation, downloaded-client check, download "
            f"progress): {release - without} bytes ({release} with, {without} with empty stand-ins)"]
