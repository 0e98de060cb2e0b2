// Pictures drawn in the page: the stand-in camera frame for an alarm photo and the sample picture
// of the image saver. Both only draw on a canvas the caller owns.

function rng(seed) {
  let state = seed >>> 0 || 1;
  return () => {
    state ^= state << 13;
    state ^= state >>> 17;
    state ^= state << 5;
    return (state >>> 0) / 4294967296;
  };
}

function roundRect(ctx, x, y, w, h, r) {
  ctx.beginPath();
  ctx.moveTo(x + r, y);
  ctx.arcTo(x + w, y, x + w, y + h, r);
  ctx.arcTo(x + w, y + h, x, y + h, r);
  ctx.arcTo(x, y + h, x, y, r);
  ctx.arcTo(x, y, x + w, y, r);
  ctx.closePath();
}

function pad(n) {
  return String(n).padStart(2, '0');
}

function stamp(date) {
  return `${date.getFullYear()}-${pad(date.getMonth() + 1)}-${pad(date.getDate())} ` +
    `${pad(date.getHours())}:${pad(date.getMinutes())}:${pad(date.getSeconds())}`;
}

// A room seen by a monitoring camera: a child at a glowing screen, with the camera's overlay.
// The overlay's labels come in the reader's language; `direction` is the page's reading order.
export function drawTestPhoto(
  canvas,
  { alarmId = '', deviceId = '', when = new Date(), cameraLabel, alarmLabel, direction = 'ltr' } = {},
) {
  const W = (canvas.width = 640);
  const H = (canvas.height = 480);
  const ctx = canvas.getContext('2d');
  const random = rng(when.getTime());
  const hue = Math.floor(random() * 360);

  const wall = ctx.createLinearGradient(0, 0, 0, H);
  wall.addColorStop(0, `hsl(${hue}, 22%, 78%)`);
  wall.addColorStop(1, `hsl(${hue}, 18%, 62%)`);
  ctx.fillStyle = wall;
  ctx.fillRect(0, 0, W, H);

  // Window with evening sky.
  const wx = 60 + random() * 60;
  const sky = ctx.createLinearGradient(0, 60, 0, 220);
  sky.addColorStop(0, '#1e3a5f');
  sky.addColorStop(1, '#f4a261');
  ctx.fillStyle = sky;
  ctx.fillRect(wx, 60, 170, 160);
  ctx.strokeStyle = '#f5f0e6';
  ctx.lineWidth = 8;
  ctx.strokeRect(wx, 60, 170, 160);
  ctx.beginPath();
  ctx.moveTo(wx + 85, 60);
  ctx.lineTo(wx + 85, 220);
  ctx.stroke();
  ctx.fillStyle = 'rgba(255,255,255,0.85)';
  for (let i = 0; i < 9; i++) ctx.fillRect(wx + 8 + random() * 150, 68 + random() * 60, 2, 2);

  // Floor and desk.
  ctx.fillStyle = `hsl(${(hue + 30) % 360}, 25%, 38%)`;
  ctx.fillRect(0, 360, W, H - 360);
  ctx.fillStyle = '#6b4f3a';
  ctx.fillRect(300, 300, 300, 18);
  ctx.fillRect(320, 318, 14, 90);
  ctx.fillRect(566, 318, 14, 90);

  // Screen glow and monitor.
  const glow = ctx.createRadialGradient(470, 250, 10, 470, 250, 190);
  glow.addColorStop(0, 'rgba(140, 200, 255, 0.55)');
  glow.addColorStop(1, 'rgba(140, 200, 255, 0)');
  ctx.fillStyle = glow;
  ctx.fillRect(250, 60, 400, 380);
  ctx.fillStyle = '#1f2933';
  roundRect(ctx, 400, 196, 150, 96, 6);
  ctx.fill();
  ctx.fillStyle = '#8fd3ff';
  ctx.fillRect(408, 204, 134, 80);
  ctx.fillStyle = '#1f2933';
  ctx.fillRect(468, 292, 14, 10);

  // Child on a chair, seen from behind.
  ctx.fillStyle = '#3d405b';
  roundRect(ctx, 340, 300, 70, 110, 14);
  ctx.fill();
  ctx.fillStyle = '#e07a5f';
  roundRect(ctx, 350, 236, 62, 84, 24);
  ctx.fill();
  ctx.fillStyle = '#2b2118';
  ctx.beginPath();
  ctx.arc(381, 214, 26, 0, Math.PI * 2);
  ctx.fill();

  // Camera grain and vignette.
  for (let i = 0; i < 1400; i++) {
    ctx.fillStyle = `rgba(${random() < 0.5 ? '0,0,0' : '255,255,255'},${0.05 + random() * 0.07})`;
    ctx.fillRect(random() * W, random() * H, 1.5, 1.5);
  }
  const vignette = ctx.createRadialGradient(W / 2, H / 2, H / 3, W / 2, H / 2, W * 0.7);
  vignette.addColorStop(0, 'rgba(0,0,0,0)');
  vignette.addColorStop(1, 'rgba(0,0,0,0.45)');
  ctx.fillStyle = vignette;
  ctx.fillRect(0, 0, W, H);

  // Camera overlay.
  ctx.font = '600 16px ui-monospace, "DejaVu Sans Mono", Menlo, Consolas, monospace, sans-serif';
  ctx.textBaseline = 'middle';
  ctx.direction = direction;
  // Boxes are measured and placed from the left whatever the reading order.
  ctx.textAlign = 'left';
  const camera = (cameraLabel ?? `CAM ${deviceId || '—'}`).slice(0, 20);
  ctx.fillStyle = 'rgba(0,0,0,0.45)';
  roundRect(ctx, 14, 14, Math.max(170, ctx.measureText(camera).width + 46), 30, 6);
  ctx.fill();
  ctx.fillStyle = '#ff4d4d';
  ctx.beginPath();
  ctx.arc(32, 29, 6, 0, Math.PI * 2);
  ctx.fill();
  ctx.fillStyle = '#ffffff';
  ctx.fillText(camera, 46, 30);

  if (alarmId) {
    const label = (alarmLabel ?? `ALARM ${alarmId}`).slice(0, 24);
    const width = ctx.measureText(label).width + 24;
    ctx.fillStyle = 'rgba(214, 40, 40, 0.9)';
    roundRect(ctx, W - width - 14, 14, width, 30, 6);
    ctx.fill();
    ctx.fillStyle = '#ffffff';
    ctx.fillText(label, W - width - 2, 30);
  }

  // The stamp is the camera's, date before time whatever the reader's direction: in a
  // right-to-left run the two numbers would swap places.
  ctx.direction = 'ltr';
  const text = stamp(when);
  const tw = ctx.measureText(text).width + 20;
  ctx.fillStyle = 'rgba(0,0,0,0.45)';
  roundRect(ctx, W - tw - 14, H - 44, tw, 30, 6);
  ctx.fill();
  ctx.fillStyle = '#ffffff';
  ctx.fillText(text, W - tw - 4, H - 29);
}

// A calm landscape postcard with a caption, as a starting point for the drawing pad.
export function drawSamplePicture(canvas, { caption = '', when = new Date() } = {}) {
  const W = canvas.width;
  const H = canvas.height;
  const ctx = canvas.getContext('2d');
  const random = rng(when.getTime());

  const sky = ctx.createLinearGradient(0, 0, 0, H * 0.65);
  sky.addColorStop(0, '#5b8bd9');
  sky.addColorStop(0.6, '#f7b267');
  sky.addColorStop(1, '#f79d65');
  ctx.fillStyle = sky;
  ctx.fillRect(0, 0, W, H);

  ctx.fillStyle = '#fff3c4';
  ctx.beginPath();
  ctx.arc(W * (0.55 + random() * 0.2), H * 0.42, H * 0.1, 0, Math.PI * 2);
  ctx.fill();

  const ridge = (base, height, colour, step) => {
    ctx.fillStyle = colour;
    ctx.beginPath();
    ctx.moveTo(0, H);
    ctx.lineTo(0, base);
    for (let x = 0; x <= W + step; x += step) ctx.lineTo(x, base - random() * height);
    ctx.lineTo(W, H);
    ctx.closePath();
    ctx.fill();
  };
  ridge(H * 0.55, H * 0.18, '#7d6b91', W / 9);
  ridge(H * 0.62, H * 0.12, '#4f5d75', W / 14);

  const lake = ctx.createLinearGradient(0, H * 0.66, 0, H);
  lake.addColorStop(0, '#2d3e50');
  lake.addColorStop(1, '#1b2631');
  ctx.fillStyle = lake;
  ctx.fillRect(0, H * 0.66, W, H * 0.34);
  ctx.strokeStyle = 'rgba(255, 243, 196, 0.5)';
  ctx.lineWidth = 2;
  for (let i = 0; i < 12; i++) {
    const y = H * 0.7 + i * (H * 0.022);
    const half = (W * 0.12) / (1 + i * 0.25);
    ctx.beginPath();
    ctx.moveTo(W * 0.62 - half, y);
    ctx.lineTo(W * 0.62 + half, y);
    ctx.stroke();
  }

  if (caption) {
    ctx.font = '600 20px system-ui, "Noto Sans CJK SC", "Noto Sans", sans-serif';
    ctx.textBaseline = 'middle';
    const width = ctx.measureText(caption).width + 28;
    ctx.fillStyle = 'rgba(255,255,255,0.88)';
    roundRect(ctx, 18, H - 58, width, 40, 10);
    ctx.fill();
    ctx.fillStyle = '#27303f';
    ctx.fillText(caption, 32, H - 37);
  }
}
