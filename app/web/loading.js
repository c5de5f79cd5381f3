// SPDX-License-Identifier: MIT
// The start of the page's script, run before it looks for WebAssembly:
// where the module never runs (a browser without WebAssembly, or a module
// that could not be fetched or compiled), the script ends in an error, and
// the page says so in place of "Loading…" (#loading, index.html), marked
// data-failed. The first frame has removed #loading: later errors say
// nothing here.
(function () {
  var fail = function () {
    var loading = document.getElementById('loading');
    if (loading) {
      loading.setAttribute('data-failed', '');
      loading.textContent = typeof WebAssembly === 'object' ?
        'The toy could not be loaded. Check your connection and reload the page, or open it in another browser.' :
        'This toy needs WebAssembly, which this browser lacks or has turned off. Turn it on in the browser\u2019s settings, or open the page in another browser.';
    }
  };
  addEventListener('error', fail);
  addEventListener('unhandledrejection', fail);
})();
