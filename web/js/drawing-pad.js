// The drawing pad's picture, kept on a canvas of its own apart from the one on screen. A
// browser may drop the pixels of a canvas that was hidden (the pad then shows blank after a
// visit to another screen); the picture survives, the pad repaints the screen from it when
// shown again, and saving takes exactly that picture, which is what the user sees.

export function createDrawingPad(canvas, { makeCanvas = () => document.createElement('canvas') } = {}) {
  const picture = makeCanvas();
  picture.width = canvas.width;
  picture.height = canvas.height;
  const pictureContext = picture.getContext('2d');
  const screenContext = canvas.getContext('2d');

  function present() {
    screenContext.clearRect(0, 0, canvas.width, canvas.height);
    screenContext.drawImage(picture, 0, 0);
  }

  return {
    picture,
    // `paint(context, width, height)` draws on the picture; the screen follows.
    paint(paint) {
      paint(pictureContext, picture.width, picture.height);
      present();
    },
    show: present,
    toDataURL: () => picture.toDataURL('image/png'),
  };
}

// The file name to save a drawing under: "" lets the client name it from the time; a name
// gets ".png" when it has no extension (the pad always saves PNG); a name already saved in
// the album becomes "name-2.png", "name-3.png"... so an earlier picture is never replaced.
export function drawingFileName(input, taken = new Set()) {
  const trimmed = String(input ?? '').trim();
  if (!trimmed) return '';
  const named = /\.png$/i.test(trimmed) ? trimmed : `${trimmed}.png`;
  const stem = named.slice(0, -4);
  let candidate = named;
  for (let n = 2; taken.has(candidate.toLowerCase()); n++) candidate = `${stem}-${n}.png`;
  return candidate;
}

// Names saved per album, remembered across sessions by the page's own storage, so that the
// page can pick a free name without asking the client for a listing it does not offer.
export function createSavedNames(storage = globalThis.localStorage, key = 'vantreel.savedPictures') {
  let albums = {};
  try {
    albums = JSON.parse(storage?.getItem(key) ?? '{}') ?? {};
  } catch {
    albums = {};
  }
  const albumKey = (album) => String(album ?? '').trim().toLowerCase();
  return {
    taken(album) {
      return new Set(albums[albumKey(album)] ?? []);
    },
    add(album, name) {
      const list = new Set(albums[albumKey(album)] ?? []);
      list.add(String(name).toLowerCase());
      albums[albumKey(album)] = [...list];
      try {
        storage?.setItem(key, JSON.stringify(albums));
      } catch {
        // Storage full or refused: the names are still known for this session.
      }
    },
  };
}
