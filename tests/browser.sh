#!/usr/bin/env bash
# Serves the web page's folder on 127.0.0.1 and opens it in a browser of its own, on the display
# given by DISPLAY: the end-to-end test drives the page there as it drives the program.
#   tests/browser.sh chromium|firefox SITE FOLDER
# It runs until the browser ends. On SIGUSR1 it stops the server, to let the test see the page open
# without it, and then creates FOLDER/server-stopped. FOLDER receives the browser's profile, what it
# prints (browser.log) and elsewhere.log: one line for each request the browser made of any host
# but 127.0.0.1, which the server's trap proxy refused. The browser keeps to itself, so that only
# the page could make such a request: no first-run pages, no updates, reports, remote settings or
# sign-in. Chromium opens the page in a window of its own in Russian, Firefox in full screen in
# English; both at a device pixel ratio of 1, WebGL drawn in software.
set -euo pipefail
browser=$1 site=$2 folder=$3
exec >"$folder/browser.log" 2>&1
here=$(cd "$(dirname "$0")" && pwd)

python3 "$here/../packaging/web/serve.py" "$site" --port=0 --log "$folder/server.log" \
    --trap-log "$folder/elsewhere.log" --die-with-parent >"$folder/addresses" &
server=$!
trap 'kill $server; wait $server || true; touch "$folder/server-stopped"' USR1
for _ in $(seq 100); do [ "$(wc -l <"$folder/addresses")" -ge 2 ] && break; sleep 0.1; done
{ read -r page && read -r proxy; } <"$folder/addresses" || { echo "the server did not start" >&2; exit 1; }
off=http://127.0.0.1:9/ # where the browser's own services are sent: nowhere

case $browser in
chromium)
    sandbox=()
    [ "$(id -u)" -ne 0 ] || sandbox=(--no-sandbox) # Chromium's sandbox refuses root
    command=(chromium "${sandbox[@]}" --user-data-dir="$folder/profile" --proxy-server="http://$proxy" \
        --lang=ru --accept-lang=ru --force-device-scale-factor=1 --window-position=0,0 \
        --window-size=1024,768 --use-angle=swiftshader --enable-unsafe-swiftshader --test-type \
        --no-first-run --no-default-browser-check --disable-background-networking \
        --disable-component-update --disable-sync --disable-domain-reliability \
        --disable-client-side-phishing-detection --disable-extensions --disable-default-apps \
        --no-pings --disable-field-trial-config \
        --disable-features=Translate,OptimizationHints,MediaRouter,NetworkTimeServiceQuerying,DialMediaRouteProvider,AutofillServerCommunication,CertificateTransparencyComponentUpdater \
        --component-updater=disable-pings,url-source=$off --google-base-url=$off \
        --gaia-url=$off --lso-url=$off --app="$page")
    ;;
firefox)
    mkdir -p "$folder/profile"
    cat >"$folder/profile/user.js" <<EOF
user_pref("network.proxy.type", 1);
user_pref("network.proxy.http", "${proxy%:*}");
user_pref("network.proxy.http_port", ${proxy#*:});
user_pref("network.proxy.ssl", "${proxy%:*}");
user_pref("network.proxy.ssl_port", ${proxy#*:});
user_pref("network.proxy.allow_hijacking_localhost", false);
user_pref("intl.accept_languages", "en-US");
user_pref("layout.css.devPixelsPerPx", "1.0");
user_pref("webgl.force-enabled", true);
user_pref("browser.shell.checkDefaultBrowser", false);
user_pref("browser.startup.homepage_override.mstone", "ignore");
user_pref("browser.aboutwelcome.enabled", false);
user_pref("browser.newtabpage.enabled", false);
user_pref("browser.newtabpage.activity-stream.feeds.topsites", false);
user_pref("browser.newtabpage.activity-stream.feeds.section.topstories", false);
user_pref("browser.newtabpage.activity-stream.showSponsored", false);
user_pref("browser.newtabpage.activity-stream.showSponsoredTopSites", false);
user_pref("browser.topsites.contile.enabled", false);
user_pref("browser.discovery.enabled", false);
user_pref("browser.translations.enable", false);
user_pref("browser.urlbar.quicksuggest.enabled", false);
user_pref("browser.search.update", false);
user_pref("browser.region.network.url", "");
user_pref("browser.safebrowsing.malware.enabled", false);
user_pref("browser.safebrowsing.phishing.enabled", false);
user_pref("browser.safebrowsing.downloads.enabled", false);
user_pref("browser.safebrowsing.update.enabled", false);
user_pref("browser.safebrowsing.provider.mozilla.updateURL", "");
user_pref("browser.contentblocking.database.enabled", false);
user_pref("privacy.trackingprotection.enabled", false);
user_pref("datareporting.policy.dataSubmissionEnabled", false);
user_pref("datareporting.healthreport.uploadEnabled", false);
user_pref("datareporting.usage.uploadEnabled", false);
user_pref("toolkit.telemetry.enabled", false);
user_pref("toolkit.telemetry.unified", false);
user_pref("toolkit.telemetry.archive.enabled", false);
user_pref("toolkit.telemetry.server", "data:,");
user_pref("toolkit.telemetry.reportingpolicy.firstRun", false);
user_pref("toolkit.telemetry.newProfilePing.enabled", false);
user_pref("toolkit.telemetry.shutdownPingSender.enabled", false);
user_pref("toolkit.telemetry.firstShutdownPing.enabled", false);
user_pref("toolkit.telemetry.updatePing.enabled", false);
user_pref("toolkit.telemetry.bhrPing.enabled", false);
user_pref("app.update.disabledForTesting", true);
user_pref("app.normandy.enabled", false);
user_pref("app.shield.optoutstudies.enabled", false);
user_pref("messaging-system.rsexperimentloader.enabled", false);
user_pref("extensions.update.enabled", false);
user_pref("extensions.getAddons.cache.enabled", false);
user_pref("extensions.blocklist.enabled", false);
user_pref("services.settings.server", "data:,#remote-settings-dummy/v1");
user_pref("services.settings.poll_interval", 99999999);
user_pref("security.remote_settings.crlite_filters.enabled", false);
user_pref("security.remote_settings.intermediates.enabled", false);
user_pref("security.OCSP.enabled", 0);
user_pref("media.gmp-manager.url", "data:,");
user_pref("dom.push.connection.enabled", false);
user_pref("network.captive-portal-service.enabled", false);
user_pref("network.connectivity-service.enabled", false);
user_pref("network.dns.disablePrefetch", true);
user_pref("network.prefetch-next", false);
user_pref("network.trr.mode", 5);
EOF
    # Firefox heeds the remote settings' server above only with this.
    export MOZ_REMOTE_SETTINGS_DEVTOOLS=1
    command=(firefox-esr --no-remote --profile "$folder/profile" --kiosk "$page")
    ;;
*)
    echo "no such browser: $browser" >&2
    exit 2
    ;;
esac
# The browser ends with this script, however it ends; the script waits for it through signals.
setpriv --pdeathsig KILL "${command[@]}" &
shown=$!
trap 'kill $shown $server 2>/dev/null; wait' EXIT
trap 'exit 143' TERM INT
while kill -0 $shown 2>/dev/null; do wait $shown || true; done
