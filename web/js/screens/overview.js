// Overview: the auth seed's state, wake-ups, a challenge answer and a token.

import { $, busy, showMessage, wireCopyButton } from '../ui.js';
import { describeError } from '../errors.js';
import { formatTime } from '../format.js';

const MASK = '•'.repeat(16);

function randomHex(length) {
  const bytes = new Uint8Array(Math.ceil(length / 2));
  crypto.getRandomValues(bytes);
  return Array.from(bytes, (b) => b.toString(16).padStart(2, '0')).join('').slice(0, length);
}

export function setupOverview({ t, language, module }) {
  let revealed = false;
  const seedValue = $('#seed-value');
  const seedToggle = $('#seed-toggle');

  function renderSeed(seed) {
    const status = $('#seed-status');
    status.dataset.state = seed.state === 'idle' ? 'checking' : seed.state;
    status.textContent = t(
      seed.state === 'available' ? 'seed.available' : seed.state === 'unavailable' ? 'seed.unavailable' : 'seed.checking',
    );
    const value = seed.state === 'available' ? seed.value : '';
    if (!value) revealed = false;
    seedValue.textContent = value && revealed ? value : MASK;
    seedToggle.disabled = !value;
    seedToggle.textContent = t(revealed ? 'seed.hide' : 'seed.show');
    const meta = [];
    if (value) meta.push(t('seed.length', { n: value.length }));
    if (seed.at) meta.push(t('seed.checkedAt', { time: formatTime(seed.at, language) }));
    $('#seed-meta').textContent = meta.join(' · ');
    showMessage($('#seed-message'), seed.state === 'unavailable' ? describeError(seed.error, t) : '', 'error');
  }

  seedToggle.addEventListener('click', () => {
    revealed = !revealed;
    renderSeed(module.seed);
  });
  $('#seed-check').addEventListener('click', (event) =>
    busy(event.currentTarget, () => module.checkSeed().catch(() => {})),
  );
  module.on('seed', renderSeed);
  renderSeed(module.seed);

  module.on('resume', ({ at, count }) => {
    $('#wake-text').textContent = t('wake.last', { time: formatTime(at, language) });
    const countLine = $('#wake-count');
    countLine.textContent = t('wake.count', { n: count });
    countLine.hidden = false;
    const card = $('#card-wake');
    card.classList.add('is-recent');
    setTimeout(() => card.classList.remove('is-recent'), 8000);
  });

  // Challenge answer.
  $('#challenge-generate').addEventListener('click', () => {
    $('#challenge-timestamp').value = String(Date.now());
    $('#challenge-random').value = randomHex(16);
    if (!$('#challenge-client-type').value.trim()) $('#challenge-client-type').value = 'pc';
    if (!$('#challenge-identifier').value.trim()) $('#challenge-identifier').value = 'device-001';
  });
  $('#challenge-form').addEventListener('submit', (event) => {
    event.preventDefault();
    const message = $('#challenge-message');
    const result = $('#challenge-result');
    busy($('#challenge-answer'), async () => {
      showMessage(message, '');
      try {
        const reply = await module.request('auth_challenge', {
          Webdata: {
            clientType: $('#challenge-client-type').value,
            identifier: $('#challenge-identifier').value,
            challenge: {
              timestamp: $('#challenge-timestamp').value,
              random: $('#challenge-random').value,
            },
          },
        });
        $('#challenge-response').textContent = reply.response;
        $('#challenge-result-label').textContent = t('challenge.result', { n: reply.response.length });
        result.hidden = false;
      } catch (error) {
        result.hidden = true;
        showMessage(message, describeError(error, t), 'error');
      }
    });
  });
  wireCopyButton($('#challenge-copy'), () => $('#challenge-response').textContent, t);

  // Token.
  $('#token-form').addEventListener('submit', (event) => {
    event.preventDefault();
    const message = $('#token-message');
    const result = $('#token-result');
    busy($('#token-get'), async () => {
      showMessage(message, '');
      try {
        const reply = await module.request('generate_token', { identifier: $('#token-identifier').value });
        $('#token-value').textContent = reply.token;
        $('#token-result-label').textContent = t('token.result', { n: reply.token.length });
        result.hidden = false;
      } catch (error) {
        result.hidden = true;
        showMessage(message, describeError(error, t), 'error');
      }
    });
  });
  wireCopyButton($('#token-copy'), () => $('#token-value').textContent, t);
}
