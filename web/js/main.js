// Start-up: language, activity record, the communication module where the client's resume
// listener looks for it, the screens, and the first request (which also tells the client the
// page is up).

import { chooseLanguage, createTranslator, applyTranslations } from './i18n.js';
import { createBridge } from './bridge.js';
import { createActivityLog } from './activity.js';
import { createEventLog } from './events.js';
import { CommunicationModule, publishCommunicationModule } from './communication.js';
import { $, toast } from './ui.js';
import { formatTime } from './format.js';
import { setupOverview } from './screens/overview.js';
import { setupPhotos } from './screens/photos.js';
import { setupSaveImage } from './screens/save-image.js';
import { setupActivity } from './screens/activity.js';
import { setupDiagnostics } from './screens/diagnostics.js';

// The client tells the browser the window's language, so the page follows the window.
const language = chooseLanguage(navigator.language);
const t = createTranslator(language);
document.title = t('app.title');
applyTranslations(document, t, language);

const activity = createActivityLog();
const module = publishCommunicationModule(
  window,
  new CommunicationModule({
    bridgeFactory: () => createBridge({ observer: activity.bridgeObserver() }),
    activity,
  }),
);

const events = createEventLog(activity);
const context = { t, language, module, activity, events, go: (name) => showScreen(name) };
const screens = {
  overview: setupOverview(context),
  photos: setupPhotos(context),
  save: setupSaveImage(context),
  activity: setupActivity(context),
  diagnostics: setupDiagnostics(context),
};

// Screens are switched in place: a URL change would be a navigation for the client to handle.
function showScreen(name) {
  for (const screen of document.querySelectorAll('.screen')) screen.hidden = screen.dataset.screen !== name;
  for (const item of document.querySelectorAll('.nav-item')) {
    const active = item.dataset.screen === name;
    item.classList.toggle('is-active', active);
    if (active) item.setAttribute('aria-current', 'page');
    else item.removeAttribute('aria-current');
  }
  $('.main').scrollTop = 0;
  for (const [screenName, screen] of Object.entries(screens)) {
    if (screenName === name) screen?.show?.();
    else screen?.hide?.();
  }
}
for (const item of document.querySelectorAll('.nav-item')) {
  item.addEventListener('click', () => showScreen(item.dataset.screen));
}

// Where the sidebar shows icons alone its items get their names as tooltips; wide, a tooltip
// would only repeat the label under the pointer.
const narrowSidebar = window.matchMedia('(max-width: 900px)');
function syncNavTooltips() {
  for (const item of document.querySelectorAll('.nav-item')) {
    if (narrowSidebar.matches) item.title = item.getAttribute('aria-label') ?? '';
    else item.removeAttribute('title');
  }
}
narrowSidebar.addEventListener('change', syncNavTooltips);
syncNavTooltips();
showScreen('overview');

const connectionKeys = {
  idle: 'status.connecting',
  connecting: 'status.connecting',
  connected: 'status.connected',
  offline: 'status.offline',
  outside: 'status.outside',
};
module.on('connection', (state) => {
  $('#connection').dataset.state = state;
  $('#connection-text').textContent = t(connectionKeys[state]);
});

module.on('resume', ({ at }) => toast(t('toast.resume', { time: formatTime(at, language) }), 'resume'));

module.initialize();
module.connect();
