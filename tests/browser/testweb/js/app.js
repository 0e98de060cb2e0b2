// Classic script: records what reaches the page, and stands in for the communication module
// that the resume listener looks for.
window.replies = [];
window.resumeTimes = [];
window.chrome.webview.addEventListener('message', (event) => window.replies.push(event.data));
window.commModuleInstance = {
  handleSystemResume() { window.resumeTimes.push(Date.now()); },
};
