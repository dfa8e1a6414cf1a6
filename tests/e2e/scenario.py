"""The scenario registry: a scenario is a function that takes a wine.Wine
(its own prefix, display and helpers) and raises AssertionError on failure."""

REGISTRY = {}


class SkipScenario(Exception):
    """Raised by a scenario that cannot run yet; the driver reports it as
    skipped, with the reason, and exits with 0."""


def scenario(fn=None, *, display=True):
    """Registers a scenario under its function name."""
    def register(f):
        f.display = display
        REGISTRY[f.__name__] = f
        return f
    return register(fn) if fn else register


def table(cases):
    """Registers one scenario per case: cases maps a suffix to keyword
    arguments of the decorated function."""
    def register(f):
        for suffix, kwargs in cases.items():
            def run(w, _f=f, _kw=kwargs):
                return _f(w, **_kw)
            run.display = True
            REGISTRY[f"{f.__name__}.{suffix}"] = run
        return f
    return register
