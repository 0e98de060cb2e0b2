// Diagnostics, for support staff: a challenge answer and a token made on request, shown only
// by their ends (the copy buttons give the whole value), beside the raw exchange with the
// client (screens/activity.js fills that list).

import { $, busy, showMessage, wireCopyButton } from '../ui.js';
import { describeError } from '../errors.js';
import { shortenSecret } from '../format.js';

function randomHex(length) {
  const bytes = new Uint8Array(Math.ceil(length / 2));
  crypto.getRandomValues(bytes);
  return Array.from(bytes, (b) => b.toString(16).padStart(2, '0')).join('').slice(0, length);
}

export function setupDiagnostics({ t, module }) {
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
