// The alarm photo list as the page shows it: newest first, and the device filter.

export function photoKey(photo) {
  return `${photo.filePath}|${photo.fileSize}|${photo.lastModified}`;
}

export function newestFirst(photos) {
  return [...photos].sort(
    (a, b) => (b.lastModified ?? 0) - (a.lastModified ?? 0) || String(a.fileName).localeCompare(String(b.fileName)),
  );
}

// A device filter names a device as people type it: "d09" finds the photos of D09. It matches
// the device id read from the photo's name, whole; a photo without ids matches no device.
export function matchesDevice(photo, filter) {
  const wanted = String(filter ?? '').trim();
  if (!wanted) return true;
  return typeof photo.deviceId === 'string' && photo.deviceId.toLowerCase() === wanted.toLowerCase();
}
