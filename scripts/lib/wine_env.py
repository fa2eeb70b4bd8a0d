"""wine.sh for the Python scripts: wine_up's private prefix and display as an
environment to run commands in, and wine_down to end what it started."""
import subprocess


def up(tree):
    """Starts Wine for the work tree `tree`; returns the environment that
    wine.sh exported (VORNIX_WINE32 among it), to hand to ctest."""
    script = '. scripts/lib/wine.sh; wine_up "$PWD" >&2; echo "VORNIX_XVFB_PID=${VORNIX_XVFB_PID:-}"; env -0'
    done = subprocess.run(["bash", "-c", script], cwd=tree, stdout=subprocess.PIPE, stdin=subprocess.DEVNULL,
                          check=True)
    first, _, rest = done.stdout.decode().partition("\n")
    env = dict(item.split("=", 1) for item in rest.split("\0") if "=" in item)
    # The display's server was started by that shell: wine_down needs its pid.
    env["VORNIX_XVFB_PID"] = first.split("=", 1)[1]
    return env


def down(tree, env):
    subprocess.run(["bash", "-c", ". scripts/lib/wine.sh; wine_down"], cwd=tree, env=env, stdin=subprocess.DEVNULL)
