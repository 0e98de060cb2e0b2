// Stand-ins for the client's message channel and for the clock, for the page's module tests.

export function createFakeWebview() {
  const listeners = new Set();
  const sent = [];
  return {
    sent,
    listeners,
    failNextPost: null,
    postMessage(value) {
      if (this.failNextPost) {
        const error = this.failNextPost;
        this.failNextPost = null;
        throw error;
      }
      // The client receives JSON.stringify(value); keep exactly what would cross the channel.
      sent.push(JSON.parse(JSON.stringify(value)));
    },
    addEventListener(name, listener) {
      if (name === 'message') listeners.add(listener);
    },
    removeEventListener(name, listener) {
      if (name === 'message') listeners.delete(listener);
    },
    // Delivers a reply the way the client does: the reply's JSON text as event.data.
    deliver(reply) {
      const data = typeof reply === 'string' ? reply : JSON.stringify(reply);
      for (const listener of [...listeners]) listener({ data });
    },
  };
}

export function createManualTimers() {
  let nextId = 1;
  const active = new Map();
  return {
    active,
    set(fn, ms) {
      const id = nextId++;
      active.set(id, { fn, ms });
      return id;
    },
    clear(id) {
      active.delete(id);
    },
    fireAll() {
      const due = [...active.values()];
      active.clear();
      for (const timer of due) timer.fn();
    },
  };
}
