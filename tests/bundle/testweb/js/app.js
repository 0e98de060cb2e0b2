window.embedded = true;
