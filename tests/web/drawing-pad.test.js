import { test } from 'node:test';
import assert from 'node:assert/strict';
import { createDrawingPad, createSavedNames, drawingFileName } from '../../web/js/drawing-pad.js';

// A canvas whose "pixels" are the list of drawing operations that reached it; drawImage copies
// the source's list, and a browser dropping a hidden canvas's pixels is an emptied list.
function fakeCanvas(width = 8, height = 6) {
  const canvas = { width, height, ops: [] };
  const context = {
    canvas,
    clearRect: () => { canvas.ops = []; },
    drawImage: (source) => { canvas.ops.push(...source.ops); },
    fillRect: (...args) => canvas.ops.push(['fillRect', ...args]),
    lineTo: (...args) => canvas.ops.push(['lineTo', ...args]),
  };
  canvas.getContext = () => context;
  canvas.toDataURL = () => `data:image/png;base64,${Buffer.from(JSON.stringify(canvas.ops)).toString('base64')}`;
  return canvas;
}

test('the pad keeps its picture when the screen canvas loses its pixels, and saves what is seen', () => {
  const screen = fakeCanvas();
  const pad = createDrawingPad(screen, { makeCanvas: () => fakeCanvas(1, 1) });
  assert.deepEqual([pad.picture.width, pad.picture.height], [8, 6]);

  pad.paint((ctx, width, height) => ctx.fillRect(0, 0, width, height));
  pad.paint((ctx) => ctx.lineTo(3, 4));
  const drawn = [['fillRect', 0, 0, 8, 6], ['lineTo', 3, 4]];
  assert.deepEqual(screen.ops, drawn);

  screen.ops = []; // another screen was shown meanwhile
  pad.show();
  assert.deepEqual(screen.ops, drawn);
  assert.equal(pad.toDataURL(), screen.toDataURL());

  pad.paint((ctx) => ctx.lineTo(5, 1));
  assert.deepEqual(screen.ops, [...drawn, ['lineTo', 5, 1]], 'drawing after the return adds to the kept picture');
});

test('a drawing is saved as PNG under a free name; an empty name is left to the client', () => {
  const taken = new Set(['drawing.png', 'drawing-2.png', 'cat.png']);
  const cases = [
    ['', ''], ['   ', ''], [undefined, ''],
    ['drawing', 'drawing-3.png'], ['drawing.png', 'drawing-3.png'], ['Drawing.PNG', 'Drawing-3.png'],
    ['sunset', 'sunset.png'], [' sunset.png ', 'sunset.png'], ['photo.jpg', 'photo.jpg.png'], ['CAT', 'CAT-2.png'],
  ];
  for (const [input, expected] of cases) assert.equal(drawingFileName(input, taken), expected, String(input));
});

test('names saved per album are remembered across sessions, album names compared without case', () => {
  const store = new Map();
  const storage = { getItem: (k) => store.get(k) ?? null, setItem: (k, v) => store.set(k, v) };
  const first = createSavedNames(storage);
  first.add('Family Trip', 'drawing.png');
  first.add('family trip ', 'Sunset.png');
  first.add('', 'image_20261210_101010.png');

  const later = createSavedNames(storage);
  assert.deepEqual([...later.taken('FAMILY TRIP')].sort(), ['drawing.png', 'sunset.png']);
  assert.deepEqual([...later.taken('Other')], []);
  assert.equal(drawingFileName('drawing', later.taken('Family Trip')), 'drawing-2.png');

  const broken = createSavedNames({ getItem: () => '{not json', setItem: () => { throw new Error('full'); } });
  broken.add('A', 'x.png');
  assert.deepEqual([...broken.taken('a')], ['x.png']);
});
