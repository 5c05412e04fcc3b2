#!/usr/bin/env bash
# Builds the kiosk (Release, build/release) and starts it against the lab
# simulator's demonstration shop on 127.0.0.1. The kiosk runs with its own
# configuration, data, cache and temporary folders under build/release/demo,
# so the user's own kiosk configuration is never touched. Without a display
# it runs under xvfb-run. A screenshot is saved after start-up and its path
# printed.
#
#   bash scripts/run.sh              # runs until the window is closed
#   KIOSK_RUN_SECONDS=20 bash scripts/run.sh   # stops by itself after 20 s
set -euo pipefail
cd "$(dirname "$0")/.."
root="$PWD"
bash scripts/install-deps.sh

export CCACHE_DIR="${CCACHE_DIR:-$HOME/.cache/photokiosk-ccache}"
export CCACHE_BASEDIR="$root"
export CCACHE_NOHASHDIR=1
export CCACHE_SLOPPINESS="${CCACHE_SLOPPINESS:-pch_defines,time_macros,include_file_mtime,include_file_ctime}"
build="$root/build/release"
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKIOSK_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" -j "${KIOSK_JOBS:-$(nproc)}" --target kiosk

demo="$build/demo"
rm -rf "$demo/home" "$demo/tmp"
mkdir -p "$demo/labstore" "$demo/home/config" "$demo/home/data" "$demo/home/cache" "$demo/tmp"

# The lab simulator with its demonstration shop (login kiosk-demo).
labsim_out="$demo/labsim.out"
python3 tools/labsim/labsim.py "$demo/labstore" --port 0 --no-stdin >"$labsim_out" 2>&1 &
labsim_pid=$!

cleanup() {

  kill "$labsim_pid" 2>/dev/null || true
}
trap cleanup EXIT
port=""
for _ in $(seq 1 100); do
  port="$(sed -n 's/^LABSIM_PORT=\([0-9]*\)$/\1/p' "$labsim_out" | head -1)"
  [ -n "$port" ] && break
  sleep 0.1
done
if [ -z "$port" ]; then
  echo "The lab simulator did not start:" >&2
  cat "$labsim_out" >&2
  exit 1
fi
echo "Lab simulator: http://127.0.0.1:$port/ (storage $demo/labstore)"

# The kiosk's folders: everything below the demo folder.
export XDG_CONFIG_HOME="$demo/home/config"
export XDG_DATA_HOME="$demo/home/data"
export XDG_CACHE_HOME="$demo/home/cache"
export TMPDIR="$demo/tmp"
cfgdir="$XDG_CONFIG_HOME/XJQ/Brindlewick"
mkdir -p "$cfgdir" "$demo/log"
cat >"$cfgdir/Brindlewick.qzcfg" <<CFG
<?xml version="1.0" encoding="UTF-8"?>
<XmlSerializerV1_0>
<Config>
<Config.ServerUrl type="UString">http://127.0.0.1:$port/</Config.ServerUrl>
<Config.Login type="UString">kiosk-demo</Config.Login>
<Config.Password type="UString">secret</Config.Password>
<Config.Language type="UString">en</Config.Language>
<Config.DebugMode type="Boolean">True</Config.DebugMode>
<Config.LogFilePath type="UString">$demo/log</Config.LogFilePath>
</Config>
</XmlSerializerV1_0>
CFG
echo "Configuration: $cfgdir/Brindlewick.qzcfg"

shot="$demo/kiosk-start.png"
rm -f "$shot"

# Starts the kiosk, waits for its window, saves a screenshot of the screen,
# then waits for the kiosk to end (or ends it after KIOSK_RUN_SECONDS).
cat >"$demo/session.sh" <<'SESSION'
#!/usr/bin/env bash
kiosk="$1" logdir="$2" shot="$3" seconds="$4"
"$kiosk" &
pid=$!
for _ in $(seq 1 120); do
  grep -qs "TMainNavi.FormCreate" "$logdir"/*.log && break
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.5
done
sleep 3
import -window root "$shot" 2>/dev/null || echo "No screenshot: ImageMagick's import failed." >&2
[ -f "$shot" ] && echo "Screenshot: $shot"
if [ "$seconds" -gt 0 ]; then
  sleep "$seconds"
  kill "$pid" 2>/dev/null || true
fi
wait "$pid" || true
SESSION
chmod +x "$demo/session.sh"
session=("$demo/session.sh" "$build/src/app/kiosk" "$demo/log" "$shot" "${KIOSK_RUN_SECONDS:-0}")
echo "Starting the kiosk (log in $demo/log)."
if [ -n "${DISPLAY:-}" ]; then
  "${session[@]}"
else
  xvfb-run -a -s "-screen 0 1280x800x24" "${session[@]}"
fi
