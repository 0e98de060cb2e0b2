// Overview: the auth seed's state, wake-ups, a challenge answer and a token.

import { $, busy, showMessage, wireCopyButton } from '../ui.js';
import { describeError } from '../errors.js';
import { formatTime, shortenSecret } from '../format.js';

function randomHex(length) {
  const bytes = new Uint8Array(Math.ceil(length / 2));
  crypto.getRandomValues(bytes);
  return Array.from(bytes, (b) => b.toString(16).padStart(2, '0')).join('').slice(0, length);
}

export function setupOverview({ t, language, module }) {
  // The seed is never shown, only its state, length and the time of the check.
  function renderSeed(seed) {
    const status = $('#seed-status');
    status.dataset.state = seed.state === 'idle' ? 'checking' : seed.state;
    status.textContent = t(
      seed.state === 'available' ? 'seed.available' : seed.state === 'unavailable' ? 'seed.unavailable' : 'seed.checking',
    );
    const meta = [];
    if (seed.state === 'available') meta.push(t('seed.length', { n: seed.length }));
    if (seed.at) meta.push(t('seed.checkedAt', { time: formatTime(seed.at, language) }));
    $('#seed-meta').textContent = meta.join(' · ');
    showMessage($('#seed-message'), seed.state === 'unavailable' ? describeError(seed.error, t) : '', 'error');
  }

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

  // Challenge answer and token: shown shortened; the copy buttons still give the whole value.
  let answer = '';
  let token = '';
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
        answer = reply.response;
        $('#challenge-response').textContent = shortenSecret(answer);
        $('#challenge-result-label').textContent = t('challenge.result', { n: reply.response.length });
        result.hidden = false;
      } catch (error) {
        result.hidden = true;
        showMessage(message, describeError(error, t), 'error');
      }
    });
  });
  wireCopyButton($('#challenge-copy'), () => answer, t);

  // Token.
  $('#token-form').addEventListener('submit', (event) => {
    event.preventDefault();
    const message = $('#token-message');
    const result = $('#token-result');
    busy($('#token-get'), async () => {
      showMessage(message, '');
      try {
        const reply = await module.request('generate_token', { identifier: $('#token-identifier').value });
        token = reply.token;
        $('#token-value').textContent = shortenSecret(token);
        $('#token-result-label').textContent = t('token.result', { n: reply.token.length });
        result.hidden = false;
      } catch (error) {
        result.hidden = true;
        showMessage(message, describeError(error, t), 'error');
      }
    });
  });
  wireCopyButton($('#token-copy'), () => token, t);
}
