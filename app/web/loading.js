// SPDX-License-Identifier: MIT
// The start of the page's script, before it looks for WebAssembly: where the
// module never runs (no WebAssembly, or a module that could not be fetched
// or compiled) the script ends in an error, and #loading (index.html) says
// so, marked data-failed. The first frame has removed it: later errors say
// nothing here.
['error', 'unhandledrejection'].forEach(function (type) {
  addEventListener(type, function () {
    var loading = document.getElementById('loading');
    if (loading) {
      loading.setAttribute('data-failed', '');
      loading.textContent = typeof WebAssembly === 'object' ?
        'The toy could not be loaded. Check the connection and reload the page, or open it in an up-to-date browser.' :
        'This toy needs WebAssembly, which this browser lacks or has turned off. Turn it on in the browser\u2019s settings, or open the page in another browser.';
    }
  });
});
