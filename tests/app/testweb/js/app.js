console.log("app");
