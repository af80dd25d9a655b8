// The station's status page: the status from the API, kept current by the
// event stream; the buttons call the API and show its answer.
"use strict";

const api = "/api/v1";
const retryMs = 2000;
const eventsShown = 12;

const $ = (id) => document.getElementById(id);
let events = null; // the open EventSource
let retryTimer = null;
let lastStatus = null;
let uptimeBase = null; // [seconds the station reported, when that was]

// ---- Requests -------------------------------------------------------------

class ApiError extends Error {
  constructor(status, reason) {
    super(reason);
    this.status = status;
  }
}

// A request with the session cookie: the answer's JSON, or an ApiError with
// the status code and the API's one-line reason.
async function call(method, path, body) {
  const options = { method, credentials: "same-origin", headers: {} };
  if (body !== undefined) {
    options.headers["Content-Type"] = "application/json";
    options.body = JSON.stringify(body);
  }
  const response = await fetch(api + path, options);
  const text = await response.text();
  let data = null;
  try {
    data = text ? JSON.parse(text) : null;
  } catch (e) {
    data = null;
  }
  if (!response.ok) throw new ApiError(response.status, (data && data.error) || response.statusText);
  return data;
}

const unauthorised = (error) => error instanceof ApiError && error.status === 401;

// ---- Showing the status ---------------------------------------------------

function text(id, value) {
  $(id).textContent = value === undefined || value === null || value === "" ? "–" : String(value);
}

function duration(seconds) {
  const s = Math.max(0, Math.floor(seconds || 0));
  const pad = (n) => String(n).padStart(2, "0");
  const days = Math.floor(s / 86400);
  const clock = pad(Math.floor((s % 86400) / 3600)) + ":" + pad(Math.floor((s % 3600) / 60)) + ":" + pad(s % 60);
  return (days > 0 ? days + " d " : "") + clock;
}

function tickUptime() {
  if (uptimeBase) text("uptime", duration(uptimeBase[0] + (Date.now() - uptimeBase[1]) / 1000));
}

// Green "Ok", red "Ko" with the station's word and reason, amber out of service.
function showBanner(status) {
  let kind = status.status === "Ok" ? "ok" : "ko";
  let word = status.status;
  let reason = [status.state, status.reason].filter((part) => part && part !== status.status).join(": ");
  if (!status.inService) {
    kind = "out";
    word = "Out of service";
    reason = status.serviceReason;
  }
  $("banner").className = "banner " + kind;
  text("state", word);
  $("reason").textContent = reason || "";
}

function showCamera(camera) {
  const name = [camera.model, camera.serial].filter(Boolean).join(" ");
  text("camera", camera.connected ? name || camera.transport : "Not connected");
  $("camera").classList.toggle("bad", !camera.connected);
}

function showPresets(status) {
  const select = $("preset");
  const names = status.presets || [status.presetName];
  if (select.options.length !== names.length) {
    const first = status.presets ? 0 : status.preset;
    select.replaceChildren(...names.map((name, i) => new Option(name, first + i)));
  }
  select.value = String(status.preset);
}

function showThumbnail(last) {
  const image = $("thumbnail");
  image.hidden = !last;
  $("thumbnail-caption").textContent = last ? last.path + " · " + new Date(last.savedAt).toLocaleString() : "";
  if (!last) return;
  // The counter makes each photo's thumbnail a new address, so the browser fetches it.
  const source = api + "/photos/last/thumbnail?counter=" + encodeURIComponent(last.counter);
  if (image.getAttribute("src") !== source) image.src = source;
}

function show(status) {
  lastStatus = status;
  $("signin").hidden = true;
  $("station").hidden = false;
  const title = "BXGrabber" + status.instance;
  document.title = title + " · " + status.status;
  text("title", title);
  showBanner(status);
  showCamera(status.camera);
  text("waiting", status.recordsWaiting);
  uptimeBase = [status.uptimeSeconds, Date.now()];
  tickUptime();
  text("today", status.photosToday);
  text("total", status.photosSinceStart);
  text("failed", status.failedSaves);
  text("counter", status.lastPhoto ? status.lastCounter : "");
  text("operator", status.operator);
  text("film", status.filmNumber);
  text("trigger", status.triggerSource);
  text("version", status.version);
  showThumbnail(status.lastPhoto);
  $("service").textContent = status.inService ? "Out of service" : "Back in service";
  $("shot").disabled = !status.inService;
  showPresets(status);
}

async function refresh() {
  show(await call("GET", "/status"));
}

// ---- Events ---------------------------------------------------------------

const eventNames = [
  "photo-saved", "photo-not-saved", "status-changed", "camera-lost", "camera-found", "service-changed",
  "records-waiting", "records-caught-up", "watchdog-restart-pending", "events-missed",
];

function logEvent(name, data) {
  const item = document.createElement("li");
  const time = document.createElement("time");
  time.textContent = new Date().toLocaleTimeString();
  const details = Object.entries(data || {})
    .filter(([, value]) => value !== "" && value !== null)
    .map(([key, value]) => key + " " + value)
    .join(", ");
  item.append(time, name + (details ? " · " + details : ""));
  const list = $("events");
  list.prepend(item);
  while (list.children.length > eventsShown) list.lastChild.remove();
}

function parse(message) {
  try {
    return JSON.parse(message.data);
  } catch (e) {
    return {};
  }
}

// The figures are read again after each event, so they never drift from the station's.
function onEvent(message) {
  logEvent(message.type, parse(message));
  refresh().catch(() => {});
}

function setLink(up) {
  $("link").textContent = up ? "connected" : "disconnected";
  $("link").classList.toggle("down", !up);
  $("banner").classList.toggle("down", !up);
}

function connect() {
  clearTimeout(retryTimer);
  if (events) events.close();
  events = new EventSource(api + "/events");
  events.onopen = () => {
    setLink(true);
    if (previewOn()) startPreview();
  };
  // The stream starts with the station's status.
  events.addEventListener("status", (message) => show(parse(message)));
  for (const name of eventNames) events.addEventListener(name, onEvent);
  events.onerror = lost;
}

// The station went away or restarts: say so, and try again until it answers.
function lost() {
  if (events) events.close();
  events = null;
  setLink(false);
  stopPreview();
  clearTimeout(retryTimer);
  retryTimer = setTimeout(retry, retryMs);
}

// Reads the status, then follows the event stream; without a session, signs in.
async function retry() {
  try {
    await refresh();
    connect();
  } catch (error) {
    if (unauthorised(error)) return signIn();
    // Opened while the station is away: the page says so and waits for it.
    if ($("signin").hidden) $("station").hidden = false;
    setLink(false);
    retryTimer = setTimeout(retry, retryMs);
  }
}

// ---- Live preview ---------------------------------------------------------

const previewOn = () => $("live").checked;

function startPreview() {
  const image = $("preview");
  image.hidden = false;
  // A new address each time, so that the browser opens a new stream after a restart.
  image.src = api + "/preview.mjpg?since=" + Date.now();
}

function stopPreview() {
  const image = $("preview");
  image.removeAttribute("src");
  image.hidden = true;
}

// ---- Buttons --------------------------------------------------------------

function outcome(message) {
  $("outcome").textContent = message;
}

async function act(control, action) {
  control.disabled = true;
  try {
    outcome(await action());
  } catch (error) {
    outcome(error.message);
    if (unauthorised(error)) signIn();
  } finally {
    control.disabled = false;
    refresh().catch(() => {});
  }
}

function shot() {
  act($("shot"), async () => {
    const saved = await call("POST", "/shot?wait=10");
    return "Saved: counter " + saved.counter + " · " + saved.path;
  });
}

function toggleService() {
  let body = { inService: true };
  if (lastStatus && lastStatus.inService) {
    const reason = window.prompt("Out of service: why?");
    if (reason === null) return;
    body = { inService: false, reason };
  }
  act($("service"), async () => {
    const answer = await call("PUT", "/service", body);
    return answer.inService ? "Back in service" : "Out of service: " + answer.reason;
  });
}

function choosePreset() {
  const select = $("preset");
  act(select, async () => {
    const answer = await call("POST", "/preset/" + encodeURIComponent(select.value));
    return "Preset " + answer.preset + " applied";
  });
}

// ---- Signing in -----------------------------------------------------------

function signIn() {
  if (events) events.close();
  events = null;
  clearTimeout(retryTimer);
  stopPreview();
  $("station").hidden = true;
  $("signin").hidden = false;
  $("token").focus();
}

async function submitToken(submission) {
  submission.preventDefault();
  try {
    await call("POST", "/session", { token: $("token").value });
    $("token").value = "";
    $("signin-error").textContent = "";
    retry();
  } catch (error) {
    $("signin-error").textContent = error.message;
  }
}

document.addEventListener("DOMContentLoaded", () => {
  $("signin").addEventListener("submit", submitToken);
  $("shot").addEventListener("click", shot);
  $("service").addEventListener("click", toggleService);
  $("preset").addEventListener("change", choosePreset);
  $("live").addEventListener("change", () => (previewOn() ? startPreview() : stopPreview()));
  setInterval(tickUptime, 1000);
  retry();
});
