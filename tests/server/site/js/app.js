document.documentElement.className += " script-ran";
